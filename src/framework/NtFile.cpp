#include "framework/NtFile.h"

#include <winternl.h>

#include <cstring>
#include <cwchar>

namespace win32 {

namespace {

// Every handle here is shared for reading, writing and deleting, so that it never stands in the
// way of another program, nor of the removal of its own entries.
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

constexpr NTSTATUS kStatusDeletePending = static_cast<NTSTATUS>(0xC0000056L);

// FILE_DISPOSITION_INFO_EX and its class, which MinGW's headers may lack.
constexpr int kFileDispositionInfoEx = 21;
constexpr ULONG kDispositionDelete = 0x1;
constexpr ULONG kDispositionIgnoreReadOnly = 0x10;

ULONG KindOptions(OpenAs kind)
{
    switch (kind) {
    case OpenAs::Folder:
        return FILE_DIRECTORY_FILE;
    case OpenAs::File:
        return FILE_NON_DIRECTORY_FILE;
    case OpenAs::Either:
        break;
    }
    return 0;
}

// The calls of ntdll used here, looked up once. ntdll is in every process of the NT family; the
// program does not import it, so that it imports documented system DLLs only.
using NtCreateFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                          PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using StatusToErrorCall = ULONG(NTAPI*)(NTSTATUS);
using LastStatusCall = NTSTATUS(NTAPI*)();

struct NtCalls
{
    NtCreateFileCall createFile = nullptr;
    StatusToErrorCall statusToError = nullptr;
    LastStatusCall lastStatus = nullptr;
};

template <class Call> Call Find(HMODULE module, const char* name)
{
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const NtCalls& Nt()
{
    static const NtCalls calls = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        NtCalls found;
        if (ntdll) {
            found.createFile = Find<NtCreateFileCall>(ntdll, "NtCreateFile");
            found.statusToError = Find<StatusToErrorCall>(ntdll, "RtlNtStatusToDosError");
            found.lastStatus = Find<LastStatusCall>(ntdll, "RtlGetLastNtStatus");
        }
        return found;
    }();
    return calls;
}

// A name whose deletion is already pending is shown as "access denied"; only the status tells.
DWORD ErrorOf(NTSTATUS status)
{
    const DWORD error = status == kStatusDeletePending ? ERROR_DELETE_PENDING : Nt().statusToError(status);
    SetLastError(error);
    return error;
}

DWORD LastOpenError()
{
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED && Nt().lastStatus && Nt().lastStatus() == kStatusDeletePending)
        return ERROR_DELETE_PENDING;
    return error;
}

const FILE_ID_BOTH_DIR_INFO* EntryAt(const unsigned char* bytes, size_t offset)
{
    return reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + offset);
}

} // namespace

bool DirectoryEntry::IsDots() const
{
    return (nameLength == 1 && name[0] == L'.') || (nameLength == 2 && name[0] == L'.' && name[1] == L'.');
}

DWORD NtFile::Open(const std::wstring& path, DWORD access, OpenAs kind)
{
    DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT;
    if (kind != OpenAs::File)
        flags |= FILE_FLAG_BACKUP_SEMANTICS; // lets CreateFile open folders
    m_handle.Reset(
        CreateFileW(path.c_str(), access | SYNCHRONIZE, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!m_handle.IsValid())
        return LastOpenError();
    if (kind == OpenAs::Either)
        return 0;
    // CreateFile has no "must (not) be a folder" option: check what was opened.
    DWORD attributes = 0;
    DWORD tag = 0;
    if (!QueryAttributes(attributes, tag)) {
        const DWORD error = GetLastError();
        Close();
        return error;
    }
    const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder != (kind == OpenAs::Folder)) {
        Close();
        return isFolder ? ERROR_ACCESS_DENIED : ERROR_DIRECTORY;
    }
    return 0;
}

DWORD NtFile::OpenIn(const NtFile& folder, const wchar_t* name, size_t nameLength, DWORD access, OpenAs kind)
{
    Close();
    // Relative to a handle, an empty name opens the folder itself and a backslash would walk a path:
    // only a single name as the listing gave it is opened.
    const size_t maxLength = 0xFFFF / sizeof(wchar_t);
    if (nameLength == 0 || nameLength > maxLength || std::wmemchr(name, L'\\', nameLength))
        return ERROR_INVALID_NAME;
    if (!Nt().createFile || !Nt().statusToError)
        return ERROR_CALL_NOT_IMPLEMENTED;

    UNICODE_STRING unicodeName;
    unicodeName.Buffer = const_cast<PWSTR>(name);
    unicodeName.Length = static_cast<USHORT>(nameLength * sizeof(wchar_t));
    unicodeName.MaximumLength = unicodeName.Length;
    // Without OBJ_CASE_INSENSITIVE: the name is matched exactly as listed, so in a case-sensitive
    // folder "Map" never opens "map".
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &unicodeName, 0, folder.Get(), nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE handle = nullptr;
    const NTSTATUS status = Nt().createFile(
        &handle, access | SYNCHRONIZE, &attributes, &io, nullptr, 0, kShareAll, FILE_OPEN,
        FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT | KindOptions(kind), nullptr, 0);
    if (!NT_SUCCESS(status))
        return ErrorOf(status);
    m_handle.Reset(handle);
    return 0;
}

bool NtFile::QueryAttributes(DWORD& attributes, DWORD& reparseTag) const
{
    FILE_ATTRIBUTE_TAG_INFO info = {};
    if (!GetFileInformationByHandleEx(m_handle.Get(), FileAttributeTagInfo, &info, sizeof(info)))
        return false;
    attributes = info.FileAttributes;
    reparseTag = info.ReparseTag;
    return true;
}

bool NtFile::QueryIdentity(FileIdentity& identity) const
{
    return GetIdentity(m_handle.Get(), identity);
}

bool NtFile::QueryLinkCount(DWORD& links) const
{
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(m_handle.Get(), &info))
        return false;
    links = info.nNumberOfLinks;
    return true;
}

bool NtFile::QueryBasicInfo(FILE_BASIC_INFO& info) const
{
    return GetFileInformationByHandleEx(m_handle.Get(), FileBasicInfo, &info, sizeof(info)) != FALSE;
}

DWORD NtFile::WriteBasicInfo(const FILE_BASIC_INFO& info) const
{
    FILE_BASIC_INFO copy = info;
    if (!SetFileInformationByHandle(m_handle.Get(), FileBasicInfo, &copy, sizeof(copy)))
        return GetLastError();
    return 0;
}

DWORD NtFile::MarkForDeletion() const
{
    FILE_DISPOSITION_INFO info = {};
    info.DeleteFile = TRUE;
    if (!SetFileInformationByHandle(m_handle.Get(), FileDispositionInfo, &info, sizeof(info)))
        return GetLastError();
    return 0;
}

DWORD NtFile::MarkForDeletionIgnoringReadOnly() const
{
    ULONG flags = kDispositionDelete | kDispositionIgnoreReadOnly;
    if (!SetFileInformationByHandle(m_handle.Get(),
                                    static_cast<FILE_INFO_BY_HANDLE_CLASS>(kFileDispositionInfoEx), &flags,
                                    sizeof(flags)))
        return GetLastError();
    return 0;
}

namespace {

bool IsGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DELETE_PENDING;
}

// The handle, not the name, decides "a folder and not a link": what is checked here is what is
// then listed and removed, whatever happens to the name meanwhile.
FolderOpen Classify(const NtFile& folder, DWORD& error)
{
    if (error)
        return IsGone(error) ? FolderOpen::Gone : FolderOpen::Failed;
    DWORD attributes = 0;
    DWORD tag = 0;
    if (!folder.QueryAttributes(attributes, tag)) {
        error = GetLastError();
        return FolderOpen::Failed;
    }
    return IsLinkReparsePoint(attributes, tag) ? FolderOpen::Link : FolderOpen::Folder;
}

template <class OpenCall>
FolderOpen OpenSharingAware(NtFile& folder, DWORD access, DWORD& error, bool* inUse, OpenCall open)
{
    if (inUse)
        *inUse = false;
    error = open(access);
    if (error == ERROR_SHARING_VIOLATION && (access & DELETE)) {
        error = open(access & ~DELETE);
        if (inUse)
            *inUse = error == 0;
    }
    return Classify(folder, error);
}

} // namespace

FolderOpen OpenFolder(NtFile& folder, const std::wstring& path, DWORD access, DWORD& error, bool* inUse)
{
    return OpenSharingAware(folder, access, error, inUse,
                            [&](DWORD wanted) { return folder.Open(path, wanted, OpenAs::Folder); });
}

FolderOpen OpenFolderIn(NtFile& folder, const NtFile& parent, const DirectoryEntry& entry, DWORD access,
                        DWORD& error, bool* inUse)
{
    return OpenSharingAware(folder, access, error, inUse, [&](DWORD wanted) {
        return folder.OpenIn(parent, entry.name, entry.nameLength, wanted, OpenAs::Folder);
    });
}

ListingBuffer::ListingBuffer() : m_storage(std::make_unique<ULONGLONG[]>(kBytes / sizeof(ULONGLONG))) {}

const unsigned char* DirectoryListing::Current() const
{
    return m_kept ? m_kept.get() : m_shared;
}

bool DirectoryListing::Next(const NtFile& folder, ListingBuffer& shared, DirectoryEntry& entry)
{
    if (m_ended)
        return false;
    if (!m_hasEntries) {
        m_kept.reset();
        // The handle keeps its place in the folder: each call gives the entries after the last.
        // The class Windows 7 already knows; it also carries each entry's short name and file ID.
        if (!GetFileInformationByHandleEx(folder.Get(), FileIdBothDirectoryInfo, shared.Data(),
                                          ListingBuffer::kBytes)) {
            const DWORD error = GetLastError();
            m_error = error == ERROR_NO_MORE_FILES ? 0 : error;
            m_ended = true;
            return false;
        }
        m_shared = shared.Data();
        m_hasEntries = true;
        m_offset = 0;
    }
    const FILE_ID_BOTH_DIR_INFO* info = EntryAt(Current(), m_offset);
    entry.name = info->FileName;
    entry.nameLength = info->FileNameLength / sizeof(wchar_t);
    entry.attributes = info->FileAttributes;
    // For a reparse point the listing puts the tag where extended-attribute sizes stand otherwise.
    entry.reparseTag = (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? info->EaSize : 0;
    if (info->NextEntryOffset == 0)
        m_hasEntries = false;
    else
        m_offset += info->NextEntryOffset;
    return true;
}

void DirectoryListing::Keep()
{
    if (!m_hasEntries || m_kept)
        return;
    // The entries are chained by their offsets; the copy keeps them, and the last one's end is where
    // its name ends.
    size_t last = m_offset;
    while (EntryAt(m_shared, last)->NextEntryOffset != 0)
        last += EntryAt(m_shared, last)->NextEntryOffset;
    const size_t end =
        last + offsetof(FILE_ID_BOTH_DIR_INFO, FileName) + EntryAt(m_shared, last)->FileNameLength;
    m_kept = std::make_unique<unsigned char[]>(end - m_offset);
    std::memcpy(m_kept.get(), m_shared + m_offset, end - m_offset);
    m_offset = 0;
    m_shared = nullptr;
}

} // namespace win32
