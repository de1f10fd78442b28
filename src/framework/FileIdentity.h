// The file system's own identity of files and folders: the volume serial number and the file
// index, the same for one folder by whatever path it is reached (a junction, a directory link, a
// short name, a subst drive). Paths here are UTF-16: the known folders of a user whose name code
// page 932 cannot hold must still be found and opened.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace win32 {

struct FileIdentity
{
    DWORD m_dwVolumeSerial = 0;
    ULONGLONG m_nFileIndex = 0;

    friend bool operator==(const FileIdentity& a, const FileIdentity& b)
    {
        return a.m_dwVolumeSerial == b.m_dwVolumeSerial && a.m_nFileIndex == b.m_nFileIndex;
    }
    friend bool operator!=(const FileIdentity& a, const FileIdentity& b) { return !(a == b); }
    friend bool operator<(const FileIdentity& a, const FileIdentity& b)
    {
        return a.m_dwVolumeSerial != b.m_dwVolumeSerial ? a.m_dwVolumeSerial < b.m_dwVolumeSerial
                                                        : a.m_nFileIndex < b.m_nFileIndex;
    }
};

// Opens a file or folder for its attributes only, sharing everything (another program's open file
// does not stop it). A link is followed to what it points at: the identity is that of the target.
[[nodiscard]] bool OpenForIdentity(const std::wstring& path, KernelHandle& handle);
[[nodiscard]] bool OpenForIdentity(const CString& path, KernelHandle& handle);

// GetFileInformationByHandle's volume serial number and file index.
[[nodiscard]] bool GetIdentity(HANDLE handle, FileIdentity& identity);

// The identity of what path names itself: a link is not followed, so this is the link's own
// identity where the platform opens links as themselves (what the deletion engine opens).
[[nodiscard]] bool GetIdentityNotFollowing(const CString& path, FileIdentity& identity);

// GetFinalPathNameByHandleW: the path the system resolved the handle to, without its "\\?\"
// prefix ("\\?\UNC\server\share" as "\\server\share"). False when the platform gives none.
[[nodiscard]] bool GetFinalPath(HANDLE handle, std::wstring& path);

// GetFullPathNameW: the absolute form of path, with ".", ".." and "/" resolved.
[[nodiscard]] bool GetFullPath(const std::wstring& path, std::wstring& full);

// SHGetKnownFolderPath without creating the folder. False when the folder is not defined here.
[[nodiscard]] bool GetKnownFolderPath(REFKNOWNFOLDERID id, std::wstring& path);

// The roots ("C:\") of the local fixed drives.
std::vector<std::wstring> FixedDriveRoots();

} // namespace win32
