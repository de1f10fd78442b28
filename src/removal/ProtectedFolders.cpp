#include "removal/ProtectedFolders.h"

#include "framework/FileSystem.h"
#include "framework/Registry.h"
#include "framework/Text.h"
#include "removal/PathOps.h"
#include "removal/UserProfiles.h"

#include <knownfolders.h>

using win32::EqualIgnoringCase;

namespace {

const wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// A 32-bit process on 64-bit Windows gets no path for FOLDERID_ProgramFilesX64 and
// FOLDERID_ProgramFilesCommonX64; the 64-bit view of these values names them in every build.
const wchar_t* const kProgramFilesValues[] = {
    L"ProgramFilesDir", L"ProgramW6432Dir", L"ProgramFilesDir (x86)",
    L"CommonFilesDir",  L"CommonW6432Dir",  L"CommonFilesDir (x86)",
};

const KNOWNFOLDERID* const kProtectedFolders[] = {
    &FOLDERID_Windows,
    &FOLDERID_System,
    &FOLDERID_SystemX86,
    &FOLDERID_Fonts,
    &FOLDERID_ProgramFiles,
    &FOLDERID_ProgramFilesX86,
    &FOLDERID_ProgramFilesX64,
    &FOLDERID_ProgramFilesCommon,
    &FOLDERID_ProgramFilesCommonX86,
    &FOLDERID_ProgramFilesCommonX64,
    &FOLDERID_ProgramData,
    &FOLDERID_StartMenu,
    &FOLDERID_CommonStartMenu,
    &FOLDERID_Programs,
    &FOLDERID_CommonPrograms,
    &FOLDERID_Startup,
    &FOLDERID_CommonStartup,
    &FOLDERID_Desktop,
    &FOLDERID_PublicDesktop,
    &FOLDERID_UserProfiles,
    &FOLDERID_Profile,
    &FOLDERID_Public,
    &FOLDERID_PublicDocuments,
    &FOLDERID_PublicDownloads,
    &FOLDERID_PublicMusic,
    &FOLDERID_PublicPictures,
    &FOLDERID_PublicVideos,
    &FOLDERID_Documents,
    &FOLDERID_Downloads,
    &FOLDERID_Music,
    &FOLDERID_Pictures,
    &FOLDERID_Videos,
    &FOLDERID_Favorites,
    &FOLDERID_Links,
    &FOLDERID_SavedGames,
    &FOLDERID_Contacts,
    &FOLDERID_SavedSearches,
    &FOLDERID_Templates,
    &FOLDERID_CommonTemplates,
    &FOLDERID_RoamingAppData,
    &FOLDERID_LocalAppData,
    &FOLDERID_LocalAppDataLow,
};

// "C:\" or "\\server\share": nothing lies above it.
bool IsRoot(const std::wstring& path)
{
    if (path.size() == 3 && path[1] == L':' && path[2] == L'\\')
        return true;
    if (path.compare(0, 2, L"\\\\") != 0)
        return false;
    const size_t server = path.find(L'\\', 2);
    return server == std::wstring::npos || path.find(L'\\', server + 1) == std::wstring::npos;
}

std::wstring ParentOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos)
        return std::wstring();
    // The parent of "C:\Users" is the root "C:\", not the drive-relative "C:".
    return slash == 2 && path[1] == L':' ? path.substr(0, 3) : path.substr(0, slash);
}

// path is folder, or lies inside it; both in the normalised form.
bool IsSameOrBelow(const std::wstring& path, const std::wstring& folder)
{
    if (folder.empty())
        return false;
    if (path.size() == folder.size())
        return EqualIgnoringCase(path, folder);
    const size_t length = folder.back() == L'\\' ? folder.size() - 1 : folder.size();
    return path.size() > length && path[length] == L'\\' &&
           EqualIgnoringCase(path.substr(0, length), folder.substr(0, length));
}

// The "\\?\" form of a drive path, which lifts the MAX_PATH limit for a deep target.
std::wstring LongForm(const std::wstring& path)
{
    return path.size() >= 2 && path[1] == L':' ? L"\\\\?\\" + path : path;
}

// A folder that a registry value names, normalised; empty when there is none.
std::wstring RegistryFolder(const win32::RegKey& key, const wchar_t* name)
{
    std::wstring text;
    bool expandable = false;
    if (key.QueryString(name, text, expandable) != ERROR_SUCCESS)
        return std::wstring();
    std::wstring expanded;
    if (expandable && !win32::ExpandEnvironment(text, expanded))
        return std::wstring();
    return GetLocalFolderPath(expandable ? expanded : text);
}

bool IsLinkPath(const CString& path)
{
    const DWORD attributes = win32::FileAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::wstring Folded(const std::wstring& path)
{
    std::wstring folded = path;
    CharLowerBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}

} // namespace

CProtectedFolders::CProtectedFolders()
{
    std::set<std::wstring> visited;
    for (const std::wstring& root : win32::FixedDriveRoots())
        AddWithAncestors(root, visited);
    for (const KNOWNFOLDERID* id : kProtectedFolders) {
        std::wstring path;
        if (win32::GetKnownFolderPath(*id, path))
            AddWithAncestors(path, visited);
    }

    win32::RegKey currentVersion;
    if (currentVersion.Open(HKEY_LOCAL_MACHINE, kCurrentVersion, KEY_QUERY_VALUE | KEY_WOW64_64KEY) ==
        ERROR_SUCCESS) {
        for (const wchar_t* name : kProgramFilesValues)
            AddWithAncestors(RegistryFolder(currentVersion, name), visited);
    }

    std::wstring windows;
    if (win32::GetKnownFolderPath(FOLDERID_Windows, windows))
        AddWindowsFolder(windows);
    wchar_t systemWindows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(systemWindows, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        AddWindowsFolder(systemWindows);
        AddWithAncestors(systemWindows, visited);
    }

    // Every user's folders, not only those of the account the program runs as.
    for (const UserProfile& profile : RegisteredProfiles()) {
        AddWithAncestors(profile.m_folder, visited);
        for (const std::wstring& folder : ProfileStandardFolders(profile))
            AddWithAncestors(folder, visited);
    }
    const std::wstring defaultProfile = DefaultProfileFolder();
    if (!defaultProfile.empty()) {
        AddWithAncestors(defaultProfile, visited);
        for (const std::wstring& folder : DefaultStandardFolders(defaultProfile))
            AddWithAncestors(folder, visited);
    }
}

// The Windows folder by its text and identity, and by the path the system resolves it to.
void CProtectedFolders::AddWindowsFolder(const std::wstring& path)
{
    const std::wstring folder = GetLocalFolderPath(path);
    if (folder.empty())
        return;
    m_windowsPaths.push_back(folder);
    win32::KernelHandle handle;
    if (!win32::OpenForIdentity(folder, handle))
        return;
    win32::FileIdentity identity;
    if (win32::GetIdentity(handle.Get(), identity)) {
        m_windowsIdentities.insert(identity);
        m_windowsIdentityPaths.emplace(identity.m_nFileIndex, folder);
    }
    std::wstring finalPath;
    if (win32::GetFinalPath(handle.Get(), finalPath) && !EqualIgnoringCase(finalPath, folder))
        m_windowsPaths.push_back(finalPath);
}

bool CProtectedFolders::IsInWindowsByText(const std::wstring& path) const
{
    for (const std::wstring& windows : m_windowsPaths) {
        if (IsSameOrBelow(path, windows))
            return true;
    }
    return false;
}

bool CProtectedFolders::LiesInWindows(const std::wstring& path, bool resolve) const
{
    for (std::wstring folder = path; !folder.empty(); folder = ParentOf(folder)) {
        win32::KernelHandle handle;
        if (win32::OpenForIdentity(LongForm(folder), handle)) {
            win32::FileIdentity identity;
            if (win32::GetIdentity(handle.Get(), identity) && IsProtectedIdentity(identity, true))
                return true;
            // The deepest folder that exists resolves every link on the way at once: a link to
            // System32 is not the Windows folder, but where it leads lies inside it.
            std::wstring finalPath;
            if (resolve && win32::GetFinalPath(handle.Get(), finalPath) &&
                !EqualIgnoringCase(finalPath, folder) &&
                (IsInWindowsByText(finalPath) || LiesInWindows(finalPath, false)))
                return true;
            resolve = false;
        }
        if (IsRoot(folder))
            break;
    }
    return false;
}

// Walks up from a protected folder by its text, and from the path the system resolves it to (a
// profile folder may be a link to somewhere else entirely), recording every folder met.
void CProtectedFolders::AddWithAncestors(std::wstring path, std::set<std::wstring>& visited)
{
    while (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    for (; !path.empty(); path = ParentOf(path)) {
        if (!visited.insert(Folded(path)).second)
            return;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return; // a known folder that does not exist here protects nothing
        m_paths.push_back(path);
        win32::KernelHandle folder;
        if (win32::OpenForIdentity(path, folder)) {
            win32::FileIdentity identity;
            if (win32::GetIdentity(folder.Get(), identity)) {
                m_identities.insert(identity);
                m_identityPaths.emplace(identity.m_nFileIndex, path);
            }
            std::wstring finalPath;
            if (win32::GetFinalPath(folder.Get(), finalPath) && !EqualIgnoringCase(finalPath, path))
                AddWithAncestors(finalPath, visited);
        }
        if (IsRoot(path))
            return;
    }
}

bool CProtectedFolders::IsProtectedIdentity(const win32::FileIdentity& identity, bool windows) const
{
    if ((windows ? m_windowsIdentities : m_identities).count(identity) != 0)
        return true;
    const auto& byIndex = windows ? m_windowsIdentityPaths : m_identityPaths;
    const auto range = byIndex.equal_range(identity.m_nFileIndex);
    for (auto it = range.first; it != range.second; ++it) {
        win32::KernelHandle again;
        win32::FileIdentity now;
        // A protected folder that cannot be told any more counts as this one.
        if (!win32::OpenForIdentity(LongForm(it->second), again) || !win32::GetIdentity(again.Get(), now) ||
            now == identity)
            return true;
    }
    return false;
}

bool CProtectedFolders::IsProtected(const CString& strPath) const
{
    return CheckTarget(strPath, nullptr) == Target::Protected;
}

CProtectedFolders::Target CProtectedFolders::CheckTarget(const CString& strPath,
                                                         win32::FileIdentity* identity) const
{
    const CString full = GetLocalFullPath(strPath);
    if (full.IsEmpty() || full.GetLength() == 3)
        return Target::Protected;
    const std::wstring target = win32::Widen(full);
    if (IsInWindowsByText(target))
        return Target::Protected;
    for (const std::wstring& folder : m_paths) {
        if (EqualIgnoringCase(folder, target))
            return Target::Protected;
        if (folder.size() > target.size() && folder[target.size()] == L'\\' &&
            EqualIgnoringCase(folder.substr(0, target.size()), target))
            return Target::Protected;
    }
    if (LiesInWindows(target, true))
        return Target::Protected;
    // One handle answers what the path names; a path that cannot be opened to tell, for any reason
    // but that it names nothing, is protected.
    win32::KernelHandle handle;
    if (!win32::OpenForIdentity(full, handle)) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Target::Absent
                                                                              : Target::Protected;
    }
    win32::FileIdentity followed;
    if (!win32::GetIdentity(handle.Get(), followed) || IsProtectedIdentity(followed, false))
        return Target::Protected;
    if (!identity)
        return Target::Allowed;
    win32::FileIdentity itself;
    if (!win32::GetIdentityNotFollowing(full, itself))
        return Target::Protected;
    // Different only when the path is a link (which the deletion removes as itself), or when it was
    // changed between the two opens.
    if (itself != followed && !IsLinkPath(full))
        return Target::Protected;
    *identity = itself;
    return Target::Allowed;
}

bool IsProtectedFolder(const CString& strPath)
{
    return CProtectedFolders().IsProtected(strPath);
}
