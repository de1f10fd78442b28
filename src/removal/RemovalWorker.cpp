#include "removal/RemovalWorker.h"

#include "catalog/InstallProbe.h"
#include "framework/FileSystem.h"
#include "framework/Shell.h"
#include "framework/Wnd.h"
#include "removal/FolderTree.h"
#include "removal/PathOps.h"
#include "removal/ProtectedFolders.h"
#include "removal/RegistryRemoval.h"
#include "removal/RemovalJob.h"
#include "ui/Messages.h"

#include <shlobj.h>

namespace {

// The pause after each silent step.
constexpr DWORD kStepPauseMs = 200;

struct FileStep
{
    RemovalSlot slot;
    const char* status; // shown on status line 1
};

// In the order they run; the application folder, last, is the only reporting run.
const FileStep kFileSteps[] = {
    {SLOT_START_MENU, "ショートカット（スタートメニュー）の削除"},
    {SLOT_DESKTOP_LINK, "ショートカット（デスクトップ）の削除"},
    {SLOT_SETUP_INFO, "InstallShield Installation Informationの削除"},
    {SLOT_CACHE_FOLDER, "キャッシュフォルダの削除"},
    {SLOT_APP_FOLDER, "アプリケーションの削除"},
};

struct RegistryStep
{
    CString RemovalJob::*key;
    HKEY root;
    const char* failureFormat;
    bool optional; // skipped when the key is empty
};

const RegistryStep kRegistrySteps[] = {
    {&RemovalJob::m_strMachineKey, HKEY_LOCAL_MACHINE,
     "レジストリの削除に失敗しました。\n\nHKEY_LOCAL_MACHINE\\%s", false},
    {&RemovalJob::m_strExtraMachineKey, HKEY_LOCAL_MACHINE,
     "レジストリの削除に失敗しました。\n\nHKEY_LOCAL_MACHINE\\%s", true},
    {&RemovalJob::m_strUninstallKey, HKEY_LOCAL_MACHINE,
     "レジストリの削除に失敗しました。\n\nHKEY_LOCAL_MACHINE\\%s", false},
    {&RemovalJob::m_strUserKey, HKEY_CURRENT_USER,
     "レジストリの削除に失敗しました。\n\nHKEY_CURRENT_USER\\%s", false},
};

class Worker
{
public:
    explicit Worker(RemovalJob& job) : m_job(job) {}

    void Run();

private:
    void Post(UINT message, WPARAM wParam, LPARAM lParam) const
    {
        PostMessageW(m_job.m_hDlg, message, wParam, lParam);
    }
    // The dialog copies the text before the send returns.
    void ShowStatus(const CString& text, LPARAM line)
    {
        m_job.m_strStatus = text;
        SendMessageW(m_job.m_hDlg, UM_STATUS_TEXT, 0, line);
    }

    bool RunFileStep(const FileStep& step);
    bool DeleteSilently(RemovalSlot slot);
    bool DeleteApplicationFolder();
    bool RunRegistryStep(const RegistryStep& step);
    // The final message for a stop the engine did not tell the dialog of itself.
    void EndAfterStop(TreeStop reason) const;

    RemovalJob& m_job;
};

void Worker::Run()
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

    for (const FileStep& step : kFileSteps) {
        if (m_job.m_bFound[step.slot] && !RunFileStep(step))
            return;
    }
    for (const RegistryStep& step : kRegistrySteps) {
        if (!RunRegistryStep(step))
            return;
    }

    m_job.m_strStatus.Empty();
    SendMessageW(m_job.m_hDlg, UM_STATUS_TEXT, 0, 1);
    SendMessageW(m_job.m_hDlg, UM_STATUS_TEXT, 0, 2);
    Post(UM_HIDE_PROGRESS, 0, 1);
    Post(UM_HIDE_PROGRESS, 0, 2);
    Post(UM_DISABLE_CANCEL, 0, 0);
    Post(UM_DONE_OK, 0, 0);
}

bool Worker::RunFileStep(const FileStep& step)
{
    ShowStatus(step.status, 1);
    ShowStatus(CString(), 2);
    const bool goOn = step.slot == SLOT_APP_FOLDER ? DeleteApplicationFolder() : DeleteSilently(step.slot);
    if (!goOn)
        return false;
    ++m_job.m_nStepDone;
    Post(UM_PROGRESS_POS, static_cast<WPARAM>(m_job.m_nStepDone), 1);
    return true;
}

bool Worker::DeleteSilently(RemovalSlot slot)
{
    if (!DeleteFolderTree(m_job.m_strTarget[slot], nullptr, nullptr, 0, nullptr, &m_job.m_strStatus, 0, 0,
                          0)) {
        EndAfterStop(LastTreeStop());
        return false;
    }
    if (slot == SLOT_START_MENU)
        RemoveEmptyParentFolder(m_job.m_strTarget[slot]);
    Sleep(kStepPauseMs);
    return true;
}

bool Worker::DeleteApplicationFolder()
{
    m_job.m_nFileTotal = m_job.m_nTargetFiles[SLOT_APP_FOLDER];
    Post(UM_PROGRESS_RANGE, static_cast<WPARAM>(m_job.m_nFileTotal), 2);
    m_job.m_nFileDone = 0;
    if (!DeleteFolderTree(m_job.m_strTarget[SLOT_APP_FOLDER], m_job.m_hDlg, &m_job.m_nFileDone,
                          static_cast<uint32_t>(m_job.m_nReportInterval), &m_job.m_bCancel,
                          &m_job.m_strStatus, UM_DONE_CANCELLED, UM_PROGRESS_POS, UM_STATUS_TEXT)) {
        // After a cancel or an Abort the engine has already posted UM_DONE_CANCELLED.
        if (LastTreeStop() == TreeStop::ListingFailed)
            EndAfterStop(TreeStop::ListingFailed);
        return false;
    }
    return true;
}

bool Worker::RunRegistryStep(const RegistryStep& step)
{
    const CString& key = m_job.*step.key;
    if (step.optional && key.IsEmpty())
        return true;
    if (DeleteRegistryKey(step.root, key))
        return true;
    CString text;
    text.Format(step.failureFormat, key.GetString());
    ShowMessageBox(m_job.m_hDlg, text, kAppTitle, MB_ICONERROR);
    Post(UM_DONE_FAILED, 0, 0);
    return false;
}

void Worker::EndAfterStop(TreeStop reason) const
{
    // Every removal ends with one box that says how it ended: an Abort in a silent step is a
    // cancellation, a folder that could not be listed a failure.
    Post(reason == TreeStop::Aborted || reason == TreeStop::Cancelled ? UM_DONE_CANCELLED : UM_DONE_FAILED, 0,
         0);
}

} // namespace

DWORD WINAPI RemovalThreadProc(LPVOID pParam)
{
    Worker(*static_cast<RemovalJob*>(pParam)).Run();
    return 0;
}

int RemoveEmptyParentFolder(CString strFolder)
{
    const CString parent = GetParentPath(strFolder);
    if (parent.IsEmpty())
        return 1;
    CString programs;
    if (!GetProductProgramsFolder(programs))
        return 1;
    // Neither the Programs folder, whatever the letter case it is written in, nor any other
    // protected folder is ever removed.
    if (parent == programs || IsProtectedFolder(parent))
        return 1;
    int files = 0;
    int folders = 0;
    CountFilesInTree(parent, &files, &folders);
    if (files == 0 && folders == 0)
        (void)win32::RemoveFolder(parent);
    return 1;
}
