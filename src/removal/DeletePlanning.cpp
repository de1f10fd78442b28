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

// Whether path names something on disk. A wildcard in a value some other program wrote would let
// the lookup match a different thing, so such a path names nothing.
bool Exists(const CString& path)
{
    if (path.Find('*') >= 0 || path.Find('?') >= 0)
        return false;
    CFileFind find;
    return find.FindFile(path) != FALSE;
}

// The "PC" rule: a folder named exactly "PC" stands for its parent, unless that parent is a folder
// that must never be removed.
CString ParentOfPcFolder(const CString& path)
{
    if (GetLastPathComponent(path) != "PC")
        return path;
    const CString parent = GetParentPath(path);
    return IsProtectedFolder(parent) ? path : parent;
}

void Found(RemovalJob& job, RemovalSlot slot)
{
    job.m_bFound[slot] = !IsProtectedFolder(job.m_strTarget[slot]);
}

// The product's folder in the Start menu: the folder in the Programs tree that holds its shortcut.
void SurveyStartMenu(RemovalJob& job, const CProductEntry& entry)
{
    CString programs;
    if (!win32::GetSpecialFolderPath(IsWindowsNT() == 1 ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, programs))
        return;
    CString& target = job.m_strTarget[SLOT_START_MENU];
    if (!FindShortcutFolder(programs, entry.GetShortcutName(), target))
        return;
    CString name;
    if (target == programs && FindFirstFileName(programs + "\\" + entry.GetShortcutName(), name))
        target = programs + "\\" + name; // a shortcut directly in Programs: only the shortcut goes
    else
        target = ParentOfPcFolder(target);
    Found(job, SLOT_START_MENU);
}

// The product's shortcut on the desktop.
void SurveyDesktopLink(RemovalJob& job, const CProductEntry& entry)
{
    CString desktop;
    const int csidl = IsWindowsNT() == 1 ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY;
    if (!win32::GetSpecialFolderPath(csidl, desktop))
        return;
    CString name;
    if (!FindFirstFileName(desktop + "\\" + entry.GetShortcutName(), name))
        return;
    job.m_strTarget[SLOT_DESKTOP_LINK] = desktop + "\\" + name;
    Found(job, SLOT_DESKTOP_LINK);
}

// The product's folder under "installshield installation information" in Program Files.
void SurveySetupInfo(RemovalJob& job, const CProductEntry& entry)
{
    CString& target = job.m_strTarget[SLOT_SETUP_INFO];
    CString programFiles;
    if (IsWindowsNT() == 1 && win32::GetSpecialFolderPath(CSIDL_PROGRAM_FILES, programFiles))
        target = programFiles + kSetupInfoFolder;
    if (target.IsEmpty())
        target = CInstallProbe::GetProgramFilesDir() + kSetupInfoFolder;
    target += entry.GetUninstallGuid();
    if (Exists(target))
        Found(job, SLOT_SETUP_INFO);
}

// The map cache folder: "CachePath" followed directly by the product's data folder name.
void SurveyCacheFolder(RemovalJob& job, const CProductEntry& entry)
{
    const CString path =
        CInstallProbe::GetUserProductValue(entry.GetUserKey(), PV_CACHE_PATH) + entry.GetDataFolder();
    job.m_strTarget[SLOT_CACHE_FOLDER] = GetOnDiskPath(path);
    if (Exists(job.m_strTarget[SLOT_CACHE_FOLDER]))
        Found(job, SLOT_CACHE_FOLDER);
}

// The application folder from "InstallPath", lower-cased, with its files counted for the progress.
void SurveyAppFolder(RemovalJob& job, const CProductEntry& entry)
{
    CString& target = job.m_strTarget[SLOT_APP_FOLDER];
    target = ParentOfPcFolder(CInstallProbe::GetProductValue(entry.GetMachineKey(), PV_INSTALL_PATH));
    target.MakeLower();
    if (!Exists(target))
        return;
    Found(job, SLOT_APP_FOLDER);
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

    SurveyStartMenu(m_job, *entry);
    SurveyDesktopLink(m_job, *entry);
    SurveySetupInfo(m_job, *entry);
    SurveyCacheFolder(m_job, *entry);
    SurveyAppFolder(m_job, *entry);

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
