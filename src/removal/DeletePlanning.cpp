// The delete button: refuse while the product runs, confirm, survey the disk for the product's
// five pieces, confirm what was found, fill the job and start the worker.
#include "framework/Platform.h"
#include "catalog/InstallProbe.h"
#include "catalog/ProductCatalog.h"
#include "framework/FileFind.h"
#include "framework/Handles.h"
#include "framework/Shell.h"
#include "framework/UserText.h"
#include "removal/FolderTree.h"
#include "removal/PathOps.h"
#include "removal/ProtectedFolders.h"
#include "removal/RemovalWorker.h"
#include "ui/SeriesCleanDlg.h"

#include <shlobj.h>

namespace {

const char kUninstallKeyPrefix[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
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

void Found(RemovalJob& job, RemovalSlot slot, const CProtectedFolders& protectedFolders)
{
    job.m_bFound[slot] =
        !job.m_strTarget[slot].IsEmpty() && !protectedFolders.IsProtected(job.m_strTarget[slot]);
}

// A shell folder's path in its normalised form, or false.
bool ShellFolder(int csidl, CString& path)
{
    CString raw;
    if (!win32::GetSpecialFolderPath(csidl, raw))
        return false;
    path = GetLocalFullPath(raw);
    return !path.IsEmpty();
}

// The product's folder in the Start menu: the folder in the Programs tree that holds its shortcut.
void SurveyStartMenu(RemovalJob& job, const CProductEntry& entry, const CProtectedFolders& protectedFolders)
{
    CString programs;
    if (!ShellFolder(IsWindowsNT() == 1 ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, programs))
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
    if (!ShellFolder(IsWindowsNT() == 1 ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY, desktop))
        return;
    CString name;
    if (!FindFirstFileName(desktop + "\\" + entry.GetShortcutName(), name))
        return;
    job.m_strTarget[SLOT_DESKTOP_LINK] = FromDiskNames(desktop + "\\" + name);
    Found(job, SLOT_DESKTOP_LINK, protectedFolders);
}

// The product's folder under "installshield installation information" in Program Files.
void SurveySetupInfo(RemovalJob& job, const CProductEntry& entry, const CProtectedFolders& protectedFolders)
{
    if (entry.GetUninstallGuid().IsEmpty())
        return; // the path would name the whole setup-information folder
    CString programFiles;
    if (IsWindowsNT() != 1 || !win32::GetSpecialFolderPath(CSIDL_PROGRAM_FILES, programFiles) ||
        programFiles.IsEmpty())
        programFiles = CInstallProbe::GetProgramFilesDir();
    CString& target = job.m_strTarget[SLOT_SETUP_INFO];
    target = GetLocalFullPath(programFiles + kSetupInfoFolder + entry.GetUninstallGuid());
    if (Exists(target))
        Found(job, SLOT_SETUP_INFO, protectedFolders);
}

// The map cache folder: "CachePath" followed directly by the product's data folder name, spelled
// as stored on disk.
void SurveyCacheFolder(RemovalJob& job, const CProductEntry& entry, const CProtectedFolders& protectedFolders)
{
    const CString path =
        CInstallProbe::GetUserProductValue(entry.GetUserKey(), PV_CACHE_PATH) + entry.GetDataFolder();
    CString& target = job.m_strTarget[SLOT_CACHE_FOLDER];
    target = GetOnDiskPath(GetLocalFullPath(path));
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

// The list of what was found, in the order setup information, Start menu, desktop, cache,
// application.
CString FoundList(const RemovalJob& job)
{
    CString list = "<ﾌｧｲﾙ/ﾌｫﾙﾀﾞ>\n";
    for (RemovalSlot slot :
         {SLOT_SETUP_INFO, SLOT_START_MENU, SLOT_DESKTOP_LINK, SLOT_CACHE_FOLDER, SLOT_APP_FOLDER}) {
        if (job.m_bFound[slot])
            list += " ･" + job.m_strTarget[slot] + "\n";
    }
    return list;
}

bool AnythingFound(const RemovalJob& job)
{
    for (BOOL found : job.m_bFound) {
        if (found)
            return true;
    }
    return false;
}

} // namespace

void CSeriesCleanDlg::OnDelete()
{
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        m_job.m_bFound[slot] = FALSE;
        m_job.m_strTarget[slot].Empty();
        m_job.m_nTargetFiles[slot] = 0;
    }

    const int selection = m_listProducts.GetCurSel();
    if (selection == LB_ERR)
        return;
    const auto* entry = reinterpret_cast<const CProductEntry*>(m_listProducts.GetItemData(selection));
    const CString name = entry->GetDisplayName();

    if (win32::FindTopLevelWindow(name)) {
        CString text;
        text.Format("%sは起動しています。\nアプリケーションを終了させて実行してください。", name.GetString());
        MessageBox(text, kAppTitle, MB_ICONERROR);
        return;
    }
    if (MessageBox(name + " を削除します。削除してよろしいですか？", kAppTitle,
                   MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDCANCEL)
        return;

    // The survey can take minutes; nothing may be clicked meanwhile.
    m_listProducts.EnableWindow(FALSE);
    m_btnDelete.EnableWindow(FALSE);
    m_btnExit.EnableWindow(FALSE);
    m_staticInfo.SetWindowText(name + " の環境を調査中です(数分かかる場合があります)...");
    EnableWindow(FALSE);

    const CProtectedFolders protectedFolders;
    SurveyStartMenu(m_job, *entry, protectedFolders);
    SurveyDesktopLink(m_job, *entry, protectedFolders);
    SurveySetupInfo(m_job, *entry, protectedFolders);
    SurveyCacheFolder(m_job, *entry, protectedFolders);
    SurveyAppFolder(m_job, *entry, protectedFolders);

    m_staticInfo.SetWindowText(name + " を削除中です...");

    m_job.m_hDlg = m_hWnd;
    m_job.m_nStepDone = 0;
    m_job.m_nFileDone = 0;
    m_job.m_nReportInterval = 10;
    m_job.m_bCancel = 0;
    m_job.m_strMachineKey = entry->GetMachineKey();
    m_job.m_strExtraMachineKey = entry->GetExtraMachineKey();
    m_job.m_strUserKey = entry->GetUserKey();
    m_job.m_strUninstallKey = kUninstallKeyPrefix + entry->GetUninstallGuid();

    if (AnythingFound(m_job)) {
        const CString text = "以下のデータを削除します。削除してよろしいですか？\n\n" + FoundList(m_job) +
                             "\n※ 必要なﾌｧｲﾙ/ﾌｫﾙﾀﾞがある場合は、[ｷｬﾝｾﾙ]してください。";
        if (MessageBox(text, kAppTitle, MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDCANCEL) {
            m_listProducts.EnableWindow(TRUE);
            m_btnDelete.EnableWindow(TRUE);
            m_btnExit.EnableWindow(TRUE);
            m_staticInfo.SetWindowText("");
            EnableWindow(TRUE);
            return;
        }
    }

    EnableWindow(TRUE);
    // From here until its final message the worker uses m_job: Enter and Esc must not end the dialog.
    m_bRemovalRunning = true;
    DWORD threadId = 0;
    win32::KernelHandle thread(CreateThread(nullptr, 0, &RemovalThreadProc, &m_job, 0, &threadId));
    if (!thread.IsValid()) {
        m_bRemovalRunning = false;
        MessageBox("スレッド作成失敗", kAppTitle, MB_ICONERROR);
        OnExit();
    }
}
