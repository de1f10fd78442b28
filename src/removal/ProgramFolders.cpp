#include "removal/ProgramFolders.h"

#include "framework/FileIdentity.h"
#include "framework/Handles.h"
#include "framework/Security.h"
#include "framework/Text.h"

using win32::EqualIgnoringCase;

std::wstring ProgramHomePath()
{
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    std::wstring path = length > 0 && length < MAX_PATH ? std::wstring(windows, length) : L"C:\\Windows";
    if (path.back() == L'\\')
        path.pop_back();
    return path + L"\\Logs\\SeriesClean";
}

std::wstring BackupFolderPath()
{
    return ProgramHomePath() + L"\\Backup";
}

DWORD EnsureProgramFolder(const std::wstring& path, std::wstring& why)
{
    if (!win32::CreateAdministratorsFolder(path) && GetLastError() != ERROR_ALREADY_EXISTS) {
        const DWORD error = GetLastError();
        why = L"it cannot be created";
        return error;
    }
    win32::KernelHandle folder(
        CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder.IsValid()) {
        const DWORD error = GetLastError();
        why = L"it cannot be opened";
        return error;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    std::wstring finalPath;
    if (!GetFileInformationByHandle(folder.Get(), &info) || !win32::GetFinalPath(folder.Get(), finalPath)) {
        const DWORD error = GetLastError();
        why = L"it cannot be told what it is";
        return error ? error : ERROR_ACCESS_DENIED;
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        why = L"it is not a folder";
        return ERROR_DIRECTORY;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !EqualIgnoringCase(finalPath, path)) {
        why = L"it is a link, or reached through one";
        return ERROR_ACCESS_DENIED;
    }
    if (win32::IsChangeableByOthers(folder.Get(), SE_FILE_OBJECT, win32::kChangeRights)) {
        why = L"someone other than SYSTEM and the administrators may change it";
        return ERROR_ACCESS_DENIED;
    }
    return 0;
}

DWORD EnsureProgramHome(std::wstring& why)
{
    // Windows has its Logs folder; should it be missing, it is made like the home.
    const std::wstring home = ProgramHomePath();
    const std::wstring logs = home.substr(0, home.find_last_of(L'\\'));
    if (GetFileAttributesW(logs.c_str()) == INVALID_FILE_ATTRIBUTES)
        (void)win32::CreateAdministratorsFolder(logs);
    return EnsureProgramFolder(home, why);
}

DWORD EnsureBackupFolder(std::wstring& why)
{
    const DWORD error = EnsureProgramHome(why);
    return error ? error : EnsureProgramFolder(BackupFolderPath(), why);
}
