#include "framework/NtFile.h"

#include <winternl.h>

#include <cwchar>

namespace win32 {

namespace {

// Every handle here is shared for reading, writing and deleting, so that it never stands in the
// way of another program, nor of the removal of its own entries.
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Large enough for some hundred entries per call; one per folder level of the recursion.
constexpr size_t kListingBytes = 32 * 1024;

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

// The two calls of ntdll used here, looked up once. ntdll is in every process of the NT family;
// the program does not import it, so that it imports documented system DLLs only.
using NtCreateFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                          PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using StatusToErrorCall = ULONG(NTAPI*)(NTSTATUS);

struct NtCalls
{
    NtCreateFileCall createFile = nullptr;
    StatusToErrorCall statusToError = nullptr;
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
        }
        return found;
    }();
    return calls;
}

DWORD ErrorOf(NTSTATUS status)
{
    const DWORD error = Nt().statusToError(status);
    SetLastError(error);
    return error;
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
        return GetLastError();
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

DWORD NtFile::WriteBasicInfo(DWORD attributes, const LARGE_INTEGER& creationTime,
                             const LARGE_INTEGER& lastAccessTime, const LARGE_INTEGER& lastWriteTime) const
{
    FILE_BASIC_INFO info = {};
    info.CreationTime = creationTime;
    info.LastAccessTime = lastAccessTime;
    info.LastWriteTime = lastWriteTime;
    info.FileAttributes = attributes;
    if (!SetFileInformationByHandle(m_handle.Get(), FileBasicInfo, &info, sizeof(info)))
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

DirectoryListing::DirectoryListing(const NtFile& folder)
    : m_folder(folder), m_buffer(std::make_unique<ULONGLONG[]>(kListingBytes / sizeof(ULONGLONG)))
{}

DirectoryListing::~DirectoryListing() = default;

bool DirectoryListing::Next(DirectoryEntry& entry)
{
    if (m_ended)
        return false;
    auto* bytes = reinterpret_cast<unsigned char*>(m_buffer.get());
    if (!m_hasEntries) {
        // The handle keeps its place in the folder: each call gives the entries after the last.
        // The class Windows 7 already knows; it also carries each entry's short name and file ID.
        if (!GetFileInformationByHandleEx(m_folder.Get(), FileIdBothDirectoryInfo, bytes, kListingBytes)) {
            const DWORD error = GetLastError();
            m_error = error == ERROR_NO_MORE_FILES ? 0 : error;
            m_ended = true;
            return false;
        }
        m_hasEntries = true;
        m_offset = 0;
    }
    const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + m_offset);
    entry.name = info->FileName;
    entry.nameLength = info->FileNameLength / sizeof(wchar_t);
    entry.attributes = info->FileAttributes;
    // For a reparse point the listing puts the tag where extended-attribute sizes stand otherwise.
    entry.reparseTag = (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? info->EaSize : 0;
    entry.creationTime = info->CreationTime;
    entry.lastAccessTime = info->LastAccessTime;
    entry.lastWriteTime = info->LastWriteTime;
    if (info->NextEntryOffset == 0)
        m_hasEntries = false;
    else
        m_offset += info->NextEntryOffset;
    return true;
}

} // namespace win32
