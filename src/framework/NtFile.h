// Files and folders opened by handle, for deleting a tree without trusting its paths: a folder is
// opened once, listed through its handle, and each entry is opened relative to that handle by its
// name alone, so a folder renamed or swapped for a link after it was opened cannot redirect what is
// listed or removed. Nothing here follows a reparse point. Texts are UTF-16.
#pragma once

#include "framework/FileIdentity.h"
#include "framework/Handles.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

namespace win32 {

// A name-surrogate reparse point (symbolic link, junction, mount point) stands for something
// elsewhere; other reparse points (cloud placeholders, deduplicated files) are the file itself. A
// reparse point whose tag cannot be read (0) counts as a link: entering one by mistake could reach
// anything, leaving one costs a folder that stays.
[[nodiscard]] constexpr bool IsLinkReparsePoint(DWORD attributes, DWORD reparseTag)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (reparseTag == 0 || IsReparseTagNameSurrogate(reparseTag));
}

// One entry of a folder listing; name points into the listing's buffer and stays valid until the
// listing moves on.
struct DirectoryEntry
{
    const wchar_t* name = nullptr;
    size_t nameLength = 0;
    DWORD attributes = 0;
    DWORD reparseTag = 0; // only with FILE_ATTRIBUTE_REPARSE_POINT

    [[nodiscard]] bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    [[nodiscard]] bool IsLink() const { return IsLinkReparsePoint(attributes, reparseTag); }
    [[nodiscard]] bool IsDots() const;
};

enum class OpenAs
{
    Folder, // must be a folder (or a link to be removed as itself)
    File,   // must not be a folder
    Either,
};

// A file or folder opened without following reparse points: a link opens as the link itself.
class NtFile
{
public:
    // Each Open returns 0 or the Win32 error code: ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND when
    // the name is gone, ERROR_DELETE_PENDING when it is already being deleted by someone else.
    // path: a full path in the form FileSystemPath gives ("\\?\C:\...").
    [[nodiscard]] DWORD Open(const std::wstring& path, DWORD access, OpenAs kind);
    // name: one name inside folder, as its listing gave it; never a path.
    [[nodiscard]] DWORD OpenIn(const NtFile& folder, const wchar_t* name, size_t nameLength, DWORD access,
                               OpenAs kind);
    [[nodiscard]] bool IsOpen() const { return m_handle.IsValid(); }
    HANDLE Get() const { return m_handle.Get(); }
    void Close() { m_handle.Close(); }

    // Attributes and reparse tag as the handle sees them.
    [[nodiscard]] bool QueryAttributes(DWORD& attributes, DWORD& reparseTag) const;
    [[nodiscard]] bool QueryIdentity(FileIdentity& identity) const;
    // The number of names (hard links) the file has.
    [[nodiscard]] bool QueryLinkCount(DWORD& links) const;
    [[nodiscard]] bool QueryBasicInfo(FILE_BASIC_INFO& info) const;
    // 0 or the error code. A time stamp of 0 is left as it is.
    [[nodiscard]] DWORD WriteBasicInfo(const FILE_BASIC_INFO& info) const;
    // Sets the delete disposition: the name goes when the last handle closes. A folder that is not
    // empty refuses, and so does a read-only file. 0 or the error code.
    [[nodiscard]] DWORD MarkForDeletion() const;
    // The same for a read-only file too, without touching its attributes, where the system can
    // (Windows 10 1809 and later); ERROR_INVALID_PARAMETER or ERROR_INVALID_FUNCTION where it cannot.
    [[nodiscard]] DWORD MarkForDeletionIgnoringReadOnly() const;

private:
    KernelHandle m_handle;
};

// What opening a folder found: the folder itself, to be listed; a link where a folder was expected
// (the handle holds the link itself); nothing of that name any more; or something that cannot be
// opened.
enum class FolderOpen
{
    Folder,
    Link,
    Gone,
    Failed,
};

// Opens a folder for access, by its full path or by its name in parent, and tells what it found;
// error receives the Windows error. A folder that another program uses as its current folder is
// shared without delete access: asked for DELETE, it is opened without it, and *inUse says so.
[[nodiscard]] FolderOpen OpenFolder(NtFile& folder, const std::wstring& path, DWORD access, DWORD& error,
                                    bool* inUse = nullptr);
[[nodiscard]] FolderOpen OpenFolderIn(NtFile& folder, const NtFile& parent, const DirectoryEntry& entry,
                                      DWORD access, DWORD& error, bool* inUse = nullptr);

// The buffer that the deepest listing of a walk reads into.
class ListingBuffer
{
public:
    ListingBuffer();
    unsigned char* Data() const { return reinterpret_cast<unsigned char*>(m_storage.get()); }
    static constexpr size_t kBytes = 64 * 1024;

private:
    std::unique_ptr<ULONGLONG[]> m_storage;
};

// Reads a folder's entries through its handle, in the file system's order. A walk keeps one of
// these per folder level: the deepest reads into the walk's shared buffer, and a level above it,
// once Keep has moved what it has not handled yet into storage of its own, holds only those entries.
// So what a level holds does not grow with the depth of the tree.
class DirectoryListing
{
public:
    DirectoryListing() = default;
    DirectoryListing(const DirectoryListing&) = delete;
    DirectoryListing& operator=(const DirectoryListing&) = delete;
    DirectoryListing(DirectoryListing&&) = default;
    DirectoryListing& operator=(DirectoryListing&&) = default;

    // The next entry, "." and ".." included; false at the end or when the listing failed.
    [[nodiscard]] bool Next(const NtFile& folder, ListingBuffer& shared, DirectoryEntry& entry);
    // Moves the entries not handled yet out of the shared buffer, which a folder below is about to
    // use. The entry Next gave last becomes invalid.
    void Keep();
    // After Next gave false: 0 at the regular end, else the error that stopped the listing.
    DWORD Error() const { return m_error; }

private:
    const unsigned char* Current() const;

    std::unique_ptr<unsigned char[]> m_kept; // the entries Keep moved out, when any
    const unsigned char* m_shared = nullptr; // the shared buffer, while it holds this level's entries
    size_t m_offset = 0;                     // of the next entry, in m_kept or the shared buffer
    bool m_hasEntries = false;
    bool m_ended = false;
    DWORD m_error = 0;
};

} // namespace win32
