#include "removal/Survey.h"

#include "catalog/InstallProbe.h"
#include "framework/FileFind.h"
#include "framework/FileIdentity.h"
#include "framework/Platform.h"
#include "framework/Shell.h"
#include "framework/UserText.h"
#include "removal/FolderTree.h"
#include "removal/PathOps.h"
#include "removal/ProtectedFolders.h"

#include <shlobj.h>

namespace {

const char kSetupInfoFolder[] = "\\installshield installation information\\";

// Whether path names something on disk. The paths here are full local paths without wildcards
// (GetLocalFullPath); an empty one names nothing.
bool Exists(const CString& path)
{
    if (path.IsEmpty())
        return false;
    CFileFind find;
    return find.FindFile(path) != FALSE;
}

// A path made of a normalised folder and names read from disk, as it stands, or empty. A name that
// code page 932 cannot hold comes back with '?', and one with trailing dots or blanks would be
// read as another name: either would make the text name something other than what was found.
CString FromDiskNames(const CString& path)
{
    const CString full = GetLocalFullPath(path);
    return full == path ? full : CString();
}

// The "PC" rule: a folder named exactly "PC" stands for its parent, unless that parent is a folder
// that must never be removed.
CString ParentOfPcFolder(const CString& path, const CProtectedFolders& protectedFolders)
{
    if (GetLastPathComponent(path) != "PC")
        return path;
    const CString parent = GetLocalFullPath(GetParentPath(path) + "\\");
    return parent.IsEmpty() || protectedFolders.IsProtected(parent) ? path : parent;
}

// A target is found when it is not protected and the file system can tell what it is: the deletion
// later goes to that and nothing else.
bool IsFound(const CString& target, win32::FileIdentity& identity, const CProtectedFolders& protectedFolders)
{
    return !target.IsEmpty() &&
           protectedFolders.CheckTarget(target, &identity) == CProtectedFolders::Target::Allowed;
}

void Found(RemovalJob& job, RemovalSlot slot, const CProtectedFolders& protectedFolders)
{
    job.m_bFound[slot] = IsFound(job.m_strTarget[slot], job.m_identity[slot], protectedFolders);
}

PieceState StateOf(BOOL found, const CString& target)
{
    return found ? PieceState::Found : Exists(target) ? PieceState::Protected : PieceState::Absent;
}

// A shell folder's path, as getFolder gives it, in its normalised form; or false.
bool NormalisedFolder(bool (*getFolder)(CString&), CString& path)
{
    CString raw;
    if (!getFolder(raw))
        return false;
    path = GetLocalFullPath(raw);
    return !path.IsEmpty();
}

// The product's folder in the Start menu: the folder in the Programs tree that holds its shortcut.
void SurveyStartMenu(RemovalJob& job, const CProductEntry& entry, const CProtectedFolders& protectedFolders)
{
    CString programs;
    if (!NormalisedFolder(GetProductProgramsFolder, programs))
        return;
    CString folder;
    if (!FindShortcutFolder(programs, entry.GetShortcutName(), folder))
        return;
    CString& target = job.m_strTarget[SLOT_START_MENU];
    CString name;
    if (folder == programs && FindFirstFileName(programs + "\\" + entry.GetShortcutName(), name))
        target =
            FromDiskNames(programs + "\\" + name); // a shortcut directly in Programs: only the shortcut goes
    else
        target = ParentOfPcFolder(FromDiskNames(folder), protectedFolders);
    Found(job, SLOT_START_MENU, protectedFolders);
}

// The product's shortcut on the desktop.
void SurveyDesktopLink(RemovalJob& job, const CProductEntry& entry, const CProtectedFolders& protectedFolders)
{
    CString desktop;
    if (!NormalisedFolder(GetProductDesktopFolder, desktop))
        return;
    CString name;
    if (!FindFirstFileName(desktop + "\\" + entry.GetShortcutName(), name))
        return;
    job.m_strTarget[SLOT_DESKTOP_LINK] = FromDiskNames(desktop + "\\" + name);
    Found(job, SLOT_DESKTOP_LINK, protectedFolders);
}

// The product's folder under "installshield installation information" in the x86 Program Files
// folder, where the products' 32-bit installers put it (the plain Program Files on 32-bit Windows).
void SurveySetupInfo(RemovalJob& job, const CProductEntry& entry, const CProtectedFolders& protectedFolders)
{
    if (entry.GetUninstallGuid().IsEmpty())
        return; // the path would name the whole setup-information folder
    CString programFiles;
    if (IsWindowsNT() != 1 || !win32::GetSpecialFolderPath(CSIDL_PROGRAM_FILESX86, programFiles) ||
        programFiles.IsEmpty())
        programFiles = CInstallProbe::GetProgramFilesDir();
    CString& target = job.m_strTarget[SLOT_SETUP_INFO];
    target = GetLocalFullPath(programFiles + kSetupInfoFolder + entry.GetUninstallGuid());
    if (Exists(target))
        Found(job, SLOT_SETUP_INFO, protectedFolders);
}

// The map cache folder: "CachePath" of the user key in the hive given, followed directly by the
// product's data folder name, spelled as stored on disk.
CString CacheFolderOf(HKEY userRoot, const CProductEntry& entry)
{
    const CString path = CInstallProbe::GetUserProductValue(userRoot, entry.GetUserKey(), PV_CACHE_PATH) +
                         entry.GetDataFolder();
    return GetOnDiskPath(GetLocalFullPath(path));
}

void SurveyCacheFolder(RemovalJob& job, const CProductEntry& entry, const CProtectedFolders& protectedFolders)
{
    if (job.m_bPerProfile) {
        for (ProfilePieces& profile : job.m_profiles) {
            profile.strCache = CacheFolderOf(profile.hive, entry);
            profile.bCacheFound = Exists(profile.strCache) &&
                                  IsFound(profile.strCache, profile.cacheIdentity, protectedFolders);
            profile.cacheState = StateOf(profile.bCacheFound, profile.strCache);
        }
        return;
    }
    CString& target = job.m_strTarget[SLOT_CACHE_FOLDER];
    target = CacheFolderOf(HKEY_CURRENT_USER, entry);
    if (Exists(target))
        Found(job, SLOT_CACHE_FOLDER, protectedFolders);
}

// The application folder from "InstallPath", lower-cased, with its files counted for the progress.
void SurveyAppFolder(RemovalJob& job, const CProductEntry& entry, const CProtectedFolders& protectedFolders)
{
    CString& target = job.m_strTarget[SLOT_APP_FOLDER];
    const CString path =
        GetLocalFullPath(CInstallProbe::GetProductValue(entry.GetMachineKey(), PV_INSTALL_PATH));
    if (path.IsEmpty())
        return;
    target = ParentOfPcFolder(path, protectedFolders);
    target.MakeLower();
    if (!Exists(target))
        return;
    Found(job, SLOT_APP_FOLDER, protectedFolders);
    if (!job.m_bFound[SLOT_APP_FOLDER])
        return;
    job.m_nTargetFiles[SLOT_APP_FOLDER] = 0;
    int folders = 0;
    CountFilesInTree(target, &job.m_nTargetFiles[SLOT_APP_FOLDER], &folders);
}

} // namespace

void SurveyRemoval(const CProductEntry& entry, RemovalJob& job, PieceState* states)
{
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        job.m_bFound[slot] = FALSE;
        job.m_strTarget[slot].Empty();
        job.m_nTargetFiles[slot] = 0;
        job.m_identity[slot] = win32::FileIdentity();
    }
    // Taken once: every piece is judged against the same picture of the protected folders.
    const CProtectedFolders protectedFolders;
    using SurveyStep = void (*)(RemovalJob&, const CProductEntry&, const CProtectedFolders&);
    SurveyStep steps[SLOT_COUNT] = {};
    steps[SLOT_START_MENU] = SurveyStartMenu;
    steps[SLOT_DESKTOP_LINK] = SurveyDesktopLink;
    steps[SLOT_SETUP_INFO] = SurveySetupInfo;
    steps[SLOT_CACHE_FOLDER] = SurveyCacheFolder;
    steps[SLOT_APP_FOLDER] = SurveyAppFolder;
    for (RemovalSlot slot : kRemovalOrder)
        steps[slot](job, entry, protectedFolders);

    job.m_strMachineKey = entry.GetMachineKey();
    job.m_strExtraMachineKey = entry.GetExtraMachineKey();
    job.m_strUserKey = entry.GetUserKey();
    job.m_strUninstallKey = UninstallKeyPath(entry.GetUninstallGuid());
    job.m_strProduct = entry.GetDisplayName();

    if (!states)
        return;
    // A piece that is there but was not taken was refused by the protection check.
    for (int slot = 0; slot < SLOT_COUNT; ++slot)
        states[slot] = StateOf(job.m_bFound[slot], job.m_strTarget[slot]);
}

bool AnythingFound(const RemovalJob& job)
{
    for (BOOL found : job.m_bFound) {
        if (found)
            return true;
    }
    return false;
}
