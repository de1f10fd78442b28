#include "removal/ProtectedFolders.h"

#include "framework/FileSystem.h"
#include "framework/Text.h"
#include "removal/PathOps.h"

#include <knownfolders.h>

namespace {

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

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

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
            if (win32::GetIdentity(folder.Get(), identity))
                m_identities.insert(identity);
            std::wstring finalPath;
            if (win32::GetFinalPath(folder.Get(), finalPath) && !EqualIgnoringCase(finalPath, path))
                AddWithAncestors(finalPath, visited);
        }
        if (IsRoot(path))
            return;
    }
}

bool CProtectedFolders::IsProtected(const CString& strPath) const
{
    const CString full = GetLocalFullPath(strPath);
    if (full.IsEmpty() || full.GetLength() == 3)
        return true;
    const std::wstring target = win32::Widen(full);
    for (const std::wstring& folder : m_paths) {
        if (EqualIgnoringCase(folder, target))
            return true;
        if (folder.size() > target.size() && folder[target.size()] == L'\\' &&
            EqualIgnoringCase(folder.substr(0, target.size()), target))
            return true;
    }
    win32::KernelHandle handle;
    if (!win32::OpenForIdentity(full, handle))
        return win32::FileAttributes(full) != INVALID_FILE_ATTRIBUTES;
    win32::FileIdentity identity;
    if (!win32::GetIdentity(handle.Get(), identity))
        return true;
    return m_identities.count(identity) != 0;
}

bool IsProtectedFolder(const CString& strPath)
{
    return CProtectedFolders().IsProtected(strPath);
}
