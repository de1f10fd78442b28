#include "removal/ProtectedFolders.h"

#include "framework/FileSystem.h"
#include "framework/Shell.h"
#include "framework/Text.h"
#include "removal/PathOps.h"

#include <shlobj.h>

namespace {

const int kProtectedFolders[] = {
    CSIDL_WINDOWS,
    CSIDL_SYSTEM,
    CSIDL_SYSTEMX86,
    CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_COMMON_APPDATA,
    CSIDL_STARTMENU,
    CSIDL_COMMON_STARTMENU,
    CSIDL_PROGRAMS,
    CSIDL_COMMON_PROGRAMS,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_PROFILE,
    CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA,
};

bool IsDriveRoot(const std::wstring& path)
{
    return path.size() == 2 && path[1] == L':';
}

// "\\server\share", with nothing below it.
bool IsShareRoot(const std::wstring& path)
{
    if (path.size() < 3 || path.compare(0, 2, L"\\\\") != 0)
        return false;
    const size_t server = path.find(L'\\', 2);
    return server == std::wstring::npos || path.find(L'\\', server + 1) == std::wstring::npos;
}

bool IsAbsolute(const std::wstring& path)
{
    return (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') || path.compare(0, 2, L"\\\\") == 0;
}

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// The path normalised (".", "..", "/" resolved, no trailing backslash) and, where it exists,
// spelled as stored on disk.
std::wstring Canonical(const CString& path)
{
    CString full = win32::FullPathName(path);
    full.TrimRight('\\');
    const CString onDisk = GetOnDiskPath(full);
    std::wstring wide = win32::Widen(onDisk.IsEmpty() ? full : onDisk);
    while (wide.size() > 2 && wide.back() == L'\\')
        wide.pop_back();
    return wide;
}

} // namespace

bool IsProtectedFolder(const CString& strPath)
{
    // A relative path would be taken from the current folder, whatever that is.
    if (!IsAbsolute(win32::Widen(strPath)))
        return true;
    const std::wstring target = Canonical(strPath);
    if (IsDriveRoot(target) || IsShareRoot(target))
        return true;

    for (int csidl : kProtectedFolders) {
        CString folder;
        if (!win32::GetSpecialFolderPath(csidl, folder) || folder.IsEmpty())
            continue;
        const std::wstring protectedFolder = Canonical(folder);
        if (EqualIgnoringCase(protectedFolder, target))
            return true;
        // The target lies above the protected folder.
        if (protectedFolder.size() > target.size() && protectedFolder[target.size()] == L'\\' &&
            EqualIgnoringCase(protectedFolder.substr(0, target.size()), target))
            return true;
    }
    return false;
}
