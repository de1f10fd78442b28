// Files and folders opened by handle, for deleting a tree without trusting its paths: a folder is
// opened once, listed through its handle, and each entry is opened relative to that handle by its
// name alone, so a folder renamed or swapped for a link after it was opened cannot redirect what is
// listed or removed. Nothing here follows a reparse point. Texts are UTF-16.
#pragma once

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
    LARGE_INTEGER creationTime = {};
    LARGE_INTEGER lastAccessTime = {};
    LARGE_INTEGER lastWriteTime = {};

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
    // Each Open returns 0 or the Win32 error code (ERROR_FILE_NOT_FOUND when the name is gone).
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
    // Writes attributes and the three time stamps (0 leaves a stamp as it is). 0 or the error code.
    [[nodiscard]] DWORD WriteBasicInfo(DWORD attributes, const LARGE_INTEGER& creationTime,
                                       const LARGE_INTEGER& lastAccessTime,
                                       const LARGE_INTEGER& lastWriteTime) const;
    // Sets the delete disposition: the name goes when the last handle closes. A folder that is not
    // empty refuses. 0 or the error code.
    [[nodiscard]] DWORD MarkForDeletion() const;

private:
    KernelHandle m_handle;
};

// Reads a folder's entries through its handle, one buffer at a time, in the file system's order.
class DirectoryListing
{
public:
    explicit DirectoryListing(const NtFile& folder);
    ~DirectoryListing();
    DirectoryListing(const DirectoryListing&) = delete;
    DirectoryListing& operator=(const DirectoryListing&) = delete;

    // The next entry, "." and ".." included; false at the end or when the listing failed.
    [[nodiscard]] bool Next(DirectoryEntry& entry);
    // After Next gave false: 0 at the regular end, else the error that stopped the listing.
    DWORD Error() const { return m_error; }

private:
    const NtFile& m_folder;
    std::unique_ptr<ULONGLONG[]> m_buffer;
    size_t m_offset = 0;
    bool m_hasEntries = false;
    bool m_ended = false;
    DWORD m_error = 0;
};

} // namespace win32
