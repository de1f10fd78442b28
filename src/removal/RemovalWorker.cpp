#include "removal/RemovalWorker.h"

#include "catalog/ProductCatalog.h"
#include "framework/FileSystem.h"
#include "framework/Shell.h"
#include "framework/Wnd.h"
#include "removal/FolderTree.h"
#include "removal/PathOps.h"
#include "removal/ProtectedFolders.h"
#include "removal/RegistryRemoval.h"
#include "removal/RemovalJob.h"
#include "removal/RemovalMessages.h"

#include <shlobj.h>

namespace {

// The pause after each silent step.
constexpr DWORD kStepPauseMs = 200;

// What status line 1 shows while each piece is removed.
const char* StepStatus(RemovalSlot slot)
{
    switch (slot) {
    case SLOT_START_MENU:
        return "ショートカット（スタートメニュー）の削除";
    case SLOT_DESKTOP_LINK:
        return "ショートカット（デスクトップ）の削除";
    case SLOT_SETUP_INFO:
        return "InstallShield Installation Informationの削除";
    case SLOT_CACHE_FOLDER:
        return "キャッシュフォルダの削除";
    case SLOT_APP_FOLDER:
    case SLOT_COUNT:
        break;
    }
    return "アプリケーションの削除";
}

struct RegistryStep
{
    CString RemovalJob::*key;
    HKEY root;
    REGSAM view;
    bool optional; // skipped when the key is empty
};

const RegistryStep kRegistrySteps[] = {
    {&RemovalJob::m_strMachineKey, HKEY_LOCAL_MACHINE, kProductMachineView, false},
    {&RemovalJob::m_strExtraMachineKey, HKEY_LOCAL_MACHINE, kProductMachineView, true},
    {&RemovalJob::m_strUninstallKey, HKEY_LOCAL_MACHINE, kProductMachineView, false},
    {&RemovalJob::m_strUserKey, HKEY_CURRENT_USER, 0, false},
};

class Worker
{
public:
    Worker(RemovalJob& job, CRemovalReport& report) : m_job(job), m_report(report) {}

    RemovalEnd Run();

private:
    HWND Window() const { return m_report.ProgressWindow(); }
    // Without a window there is nobody to tell: nothing is posted.
    void Post(UINT message, WPARAM wParam, LPARAM lParam) const
    {
        if (Window())
            PostMessageW(Window(), message, wParam, lParam);
    }
    // The dialog copies the text before the send returns.
    void ShowStatus(const CString& text, LPARAM line)
    {
        m_job.m_strStatus = text;
        if (Window())
            SendMessageW(Window(), UM_STATUS_TEXT, 0, line);
    }

    // False when the removal ends with this step; m_end then says how.
    bool RunFileStep(RemovalSlot slot);
    TreeOutcome DeleteSilently(RemovalSlot slot);
    TreeOutcome DeleteApplicationFolder();
    bool RunRegistryStep(const RegistryStep& step);
    // The one place that decides how the removal ended and tells the window, unless the engine
    // already has (it posts the cancellation of a reporting run itself).
    RemovalEnd End(RemovalEnd end, bool alreadyTold);

    RemovalJob& m_job;
    CRemovalReport& m_report;
    RemovalEnd m_end = RemovalEnd::Done;
};

RemovalEnd Worker::Run()
{
    m_job.m_nStepTotal = 0;
    for (BOOL found : m_job.m_bFound) {
        if (found)
            ++m_job.m_nStepTotal;
    }
    Post(UM_PROGRESS_RANGE, static_cast<WPARAM>(m_job.m_nStepTotal), 1);
    Post(UM_SHOW_PROGRESS, 0, 1);
    Post(UM_SHOW_PROGRESS, 0, 2);
    Post(UM_ENABLE_CANCEL, 0, 0);

    for (RemovalSlot slot : kRemovalOrder) {
        if (m_job.m_bFound[slot] && !RunFileStep(slot))
            return m_end;
    }
    for (const RegistryStep& step : kRegistrySteps) {
        if (!RunRegistryStep(step))
            return End(RemovalEnd::Failed, false);
    }

    ShowStatus(CString(), 1);
    ShowStatus(CString(), 2);
    Post(UM_HIDE_PROGRESS, 0, 1);
    Post(UM_HIDE_PROGRESS, 0, 2);
    Post(UM_DISABLE_CANCEL, 0, 0);
    return End(RemovalEnd::Done, false);
}

bool Worker::RunFileStep(RemovalSlot slot)
{
    ShowStatus(StepStatus(slot), 1);
    ShowStatus(CString(), 2);
    const CString& target = m_job.m_strTarget[slot];
    m_report.OnPieceStart(slot, target);
    const TreeOutcome outcome = slot == SLOT_APP_FOLDER ? DeleteApplicationFolder() : DeleteSilently(slot);
    m_report.OnPieceEnd(slot, target, outcome);
    if (!outcome.finished) {
        // Every removal ends with one box that says how it ended: an Abort in a silent step is a
        // cancellation, a folder that could not be listed a failure.
        End(outcome.stop == TreeStop::ListingFailed ? RemovalEnd::Failed : RemovalEnd::Cancelled,
            outcome.told);
        return false;
    }
    if (slot != SLOT_APP_FOLDER) {
        if (slot == SLOT_START_MENU)
            RemoveEmptyParentFolder(target);
        Sleep(kStepPauseMs);
    }
    ++m_job.m_nStepDone;
    Post(UM_PROGRESS_POS, static_cast<WPARAM>(m_job.m_nStepDone), 1);
    return true;
}

TreeOutcome Worker::DeleteSilently(RemovalSlot slot)
{
    TreeRun run;
    run.pStatusText = &m_job.m_strStatus;
    run.pLockedFiles = &m_report;
    return DeleteTree(m_job.m_strTarget[slot], run);
}

TreeOutcome Worker::DeleteApplicationFolder()
{
    m_job.m_nFileTotal = m_job.m_nTargetFiles[SLOT_APP_FOLDER];
    Post(UM_PROGRESS_RANGE, static_cast<WPARAM>(m_job.m_nFileTotal), 2);
    m_job.m_nFileDone = 0;
    if (!Window())
        return DeleteSilently(SLOT_APP_FOLDER);
    TreeRun run;
    run.hWndReport = Window();
    run.pFilesDone = &m_job.m_nFileDone;
    run.nReportStep = static_cast<uint32_t>(m_job.m_nReportInterval);
    run.pCancel = &m_job.m_bCancel;
    run.pStatusText = &m_job.m_strStatus;
    run.uMsgCancelled = UM_DONE_CANCELLED;
    run.uMsgProgress = UM_PROGRESS_POS;
    run.uMsgStatus = UM_STATUS_TEXT;
    run.pLockedFiles = &m_report;
    return DeleteTree(m_job.m_strTarget[SLOT_APP_FOLDER], run);
}

bool Worker::RunRegistryStep(const RegistryStep& step)
{
    const CString& key = m_job.*step.key;
    if (step.optional && key.IsEmpty())
        return true;
    const bool deleted = DeleteRegistryKey(step.root, key, step.view) == 1;
    m_report.OnKeyEnd(step.root, key, deleted);
    if (!deleted)
        m_report.OnKeyFailed(step.root, key);
    return deleted;
}

RemovalEnd Worker::End(RemovalEnd end, bool alreadyTold)
{
    m_end = end;
    if (!alreadyTold) {
        const UINT message = end == RemovalEnd::Done        ? UM_DONE_OK
                             : end == RemovalEnd::Cancelled ? UM_DONE_CANCELLED
                                                            : UM_DONE_FAILED;
        Post(message, 0, 0);
    }
    return end;
}

} // namespace

int CWindowReport::OnLockedFile(const std::wstring& path, DWORD error, HWND owner)
{
    return CLockedFilePrompt().OnLockedFile(path, error, owner);
}

void CWindowReport::OnKeyFailed(HKEY root, const CString& key)
{
    CString text;
    text.Format(root == HKEY_CURRENT_USER ? "レジストリの削除に失敗しました。\n\nHKEY_CURRENT_USER\\%s"
                                          : "レジストリの削除に失敗しました。\n\nHKEY_LOCAL_MACHINE\\%s",
                key.GetString());
    ShowMessageBox(m_hWnd, text, kAppTitle, MB_ICONERROR);
}

RemovalEnd RunRemoval(RemovalJob& job, CRemovalReport& report)
{
    return Worker(job, report).Run();
}

DWORD WINAPI RemovalThreadProc(LPVOID pParam)
{
    auto& job = *static_cast<RemovalJob*>(pParam);
    CWindowReport report(job.m_hDlg);
    RunRemoval(job, report);
    return 0;
}

int RemoveEmptyParentFolder(CString strFolder)
{
    const CString parent = GetParentPath(strFolder);
    if (parent.IsEmpty())
        return 1;
    // Neither the Programs folder, however it is spelled, nor any other protected folder is ever
    // removed.
    if (IsProtectedFolder(parent))
        return 1;
    int files = 0;
    int folders = 0;
    CountFilesInTree(parent, &files, &folders);
    if (files == 0 && folders == 0)
        (void)win32::RemoveFolder(parent);
    return 1;
}
