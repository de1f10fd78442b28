// Folders a removal must never delete. The targets of a removal come from registry values that
// other software wrote; an empty, cut or wrong value, or one that reaches a system folder through
// a link, must not turn into "delete Program Files".
#pragma once

#include "framework/FileIdentity.h"
#include "framework/String.h"

#include <map>
#include <set>
#include <string>
#include <vector>

// The protected folders of this machine, taken once: every known folder that exists (drive roots,
// Windows and system folders, Program Files and Common Files, ProgramData, the Start menus,
// Programs folders and desktops, C:\Users, the profile with its AppData and libraries, the Public
// folders, Fonts, ...), both Program Files and both Common Files folders as the registry's 64-bit
// view names them, every registered user profile with its standard folders, the Default profile
// with its own, and every folder above one of them. Each is held by the file system's identity,
// so that a junction, a directory link, a short name or a subst drive cannot hide it, and by its
// text, compared without regard to case. Nothing inside the Windows folder is ever a target.
// The known folders are those of the account the program runs as (an administrator, or SYSTEM
// under a deployment tool); the profiles are every user's. Taking them opens a few hundred
// folders: take them once for a survey, not once for each question.
class CProtectedFolders
{
public:
    CProtectedFolders();

    // True when strPath must not be deleted: it is not a local full path (GetLocalFullPath), it is
    // a drive root, it is or lies above a protected folder, it is or lies inside the Windows
    // folder (by its text, by what any folder on its way is, or by where the system resolves it
    // to), or it exists but cannot be opened to tell which folder it is. Any other path that
    // names nothing is not protected: it is not deleted anyway.
    [[nodiscard]] bool IsProtected(const CString& strPath) const;

    enum class Target
    {
        Protected, // as IsProtected says
        Absent,    // names nothing
        Allowed,   // may be deleted
    };
    // The survey's question about a piece: what strPath names is judged on the handle opened for
    // it, and identity receives what that is when the path itself is opened without following a
    // link (what the deletion then opens and must find again). A target that changes between the
    // two is protected.
    [[nodiscard]] Target CheckTarget(const CString& strPath, win32::FileIdentity* identity) const;

private:
    // visited: the lower-cased texts already walked.
    void AddWithAncestors(std::wstring path, std::set<std::wstring>& visited);
    void AddWindowsFolder(const std::wstring& path);
    bool IsInWindowsByText(const std::wstring& path) const;
    // Whether path or a folder above it that exists is the Windows folder by identity; with
    // resolve, also along the path the system resolves the deepest existing one to.
    bool LiesInWindows(const std::wstring& path, bool resolve) const;

    // Whether identity is that of a protected folder (or, with windows, of the Windows folder). A
    // folder whose file index matches is opened again and compared as it is now: the volume serial
    // number a handle reports may change when another drive letter comes to stand for the same
    // folder (Wine reports the serial of the drive it maps the folder to, and notices a new drive
    // only a moment later).
    bool IsProtectedIdentity(const win32::FileIdentity& identity, bool windows) const;

    std::set<win32::FileIdentity> m_identities;
    std::multimap<ULONGLONG, std::wstring> m_identityPaths; // file index -> the protected folder
    std::vector<std::wstring> m_paths;
    std::multimap<ULONGLONG, std::wstring> m_windowsIdentityPaths;
    std::set<win32::FileIdentity> m_windowsIdentities;
    std::vector<std::wstring> m_windowsPaths;
};

// A one-off question with a fresh snapshot.
bool IsProtectedFolder(const CString& strPath);
