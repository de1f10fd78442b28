#include "framework/FileSystem.h"

#include "framework/Text.h"

#include <algorithm>

namespace win32 {

DWORD FileAttributes(const CString& path)
{
    return GetFileAttributesW(FileSystemPath(path).c_str());
}

bool RemoveFolder(const CString& path)
{
    return RemoveDirectoryW(FileSystemPath(path).c_str()) != FALSE;
}

bool DeleteAtRestart(const std::wstring& path)
{
    return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

HANDLE FindFirst(const CString& pattern, WIN32_FIND_DATAW& data)
{
    return FindFirstFileW(FileSystemPath(pattern).c_str(), &data);
}

DWORD NewFile::Create(const std::wstring& path)
{
    m_handle.Reset(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_handle.IsValid())
        return GetLastError();
    if (GetFileType(m_handle.Get()) != FILE_TYPE_DISK) {
        m_handle.Close();
        return ERROR_INVALID_NAME;
    }
    return 0;
}

DWORD NewFile::Write(const void* data, size_t size)
{
    const auto* bytes = static_cast<const BYTE*>(data);
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(m_handle.Get(), bytes, chunk, &written, nullptr))
            return GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        bytes += written;
        size -= written;
    }
    return FlushFileBuffers(m_handle.Get()) ? 0 : GetLastError();
}

void NewFile::Discard()
{
    FILE_DISPOSITION_INFO info = {};
    info.DeleteFile = TRUE;
    SetFileInformationByHandle(m_handle.Get(), FileDispositionInfo, &info, sizeof(info));
    m_handle.Close();
}

} // namespace win32
