#include "framework/FileIdentity.h"

#include "framework/Text.h"

namespace win32 {

namespace {

// Backup semantics is what lets CreateFile open a folder; without FILE_FLAG_OPEN_REPARSE_POINT a
// link is resolved.
HANDLE OpenAttributesOnly(const wchar_t* path)
{
    return CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

bool OpenForIdentity(const std::wstring& path, KernelHandle& handle)
{
    handle.Reset(OpenAttributesOnly(path.c_str()));
    return handle.IsValid();
}

bool OpenForIdentity(const CString& path, KernelHandle& handle)
{
    handle.Reset(OpenAttributesOnly(FileSystemPath(path).c_str()));
    return handle.IsValid();
}

bool GetIdentity(HANDLE handle, FileIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    identity.m_dwVolumeSerial = info.dwVolumeSerialNumber;
    identity.m_nFileIndex = (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

bool GetIdentityNotFollowing(const CString& path, FileIdentity& identity)
{
    KernelHandle handle(CreateFileW(FileSystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
    return handle.IsValid() && GetIdentity(handle.Get(), identity);
}

bool GetFinalPath(HANDLE handle, std::wstring& path)
{
    DWORD size = MAX_PATH;
    std::wstring buffer;
    for (;;) {
        buffer.assign(size, L'\0');
        const DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), size, FILE_NAME_NORMALIZED);
        if (length == 0)
            return false;
        if (length < size) {
            buffer.resize(length);
            break;
        }
        size = length + 1;
    }
    if (buffer.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        path = L"\\\\" + buffer.substr(8);
    else if (buffer.compare(0, 4, L"\\\\?\\") == 0)
        path = buffer.substr(4);
    else
        path = buffer;
    return true;
}

bool GetFullPath(const std::wstring& path, std::wstring& full)
{
    DWORD size = MAX_PATH;
    std::wstring buffer;
    for (;;) {
        buffer.assign(size, L'\0');
        const DWORD length = GetFullPathNameW(path.c_str(), size, buffer.data(), nullptr);
        if (length == 0)
            return false;
        if (length < size) {
            buffer.resize(length);
            break;
        }
        size = length;
    }
    full = buffer;
    return true;
}

bool GetKnownFolderPath(REFKNOWNFOLDERID id, std::wstring& path)
{
    TaskMemText text;
    if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, text.Receive())) || !text.Get() ||
        !*text.Get())
        return false;
    path = text.Get();
    return true;
}

std::vector<std::wstring> FixedDriveRoots()
{
    std::vector<std::wstring> roots;
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        if (!(drives & (1u << (letter - L'A'))))
            continue;
        const std::wstring root = std::wstring(1, letter) + L":\\";
        const UINT type = GetDriveTypeW(root.c_str());
        if (type == DRIVE_FIXED || type == DRIVE_RAMDISK)
            roots.push_back(root);
    }
    return roots;
}

} // namespace win32
