#include "framework/FileSystem.h"

#include "framework/Text.h"

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

} // namespace win32
