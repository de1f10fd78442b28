// The dialog's side of a running removal: the window messages by which the worker and the deletion
// engine report to the dialog, the locked-file prompt and the box of a key that cannot be deleted.
#pragma once

#include "removal/FolderTree.h"
#include "removal/RemovalJob.h"
#include "removal/RemovalReport.h"
#include "ui/RemovalMessages.h"

#include <windows.h>

#include <cstdint>
#include <string>

// The locked-file prompt: "<path>がロック中です。" with Abort, Retry and Ignore, Retry the default,
// owned by owner. IDABORT, IDRETRY or IDIGNORE.
int ShowLockedFilePrompt(HWND owner, const std::wstring& path);

// The dialog's report: the job's window takes the UM_ messages (UM_STATUS_TEXT sent once the job's
// status text is set, every other message posted), and the prompt of the application step and the
// key's error box are owned by it; a silent step's prompt has no owner.
class CDialogReport final : public CRemovalReport
{
public:
    explicit CDialogReport(RemovalJob& job) : m_job(job) {}

    bool Watches() const override { return true; }
    void SetProgressRange(ProgressLine line, uint64_t upper) override
    {
        Post(UM_PROGRESS_RANGE, upper, line);
    }
    void SetProgressPos(ProgressLine line, uint64_t position) override
    {
        Post(UM_PROGRESS_POS, position, line);
    }
    void ShowProgress(ProgressLine line, bool show) override
    {
        Post(show ? UM_SHOW_PROGRESS : UM_HIDE_PROGRESS, 0, line);
    }
    void EnableCancel(bool enable) override { Post(enable ? UM_ENABLE_CANCEL : UM_DISABLE_CANCEL, 0, 0); }
    void SetStatus(ProgressLine line, const CString& text) override;
    bool CancelRequested() const override { return m_job.m_bCancel.load() == 1; }
    int OnLockedFile(const LockedEntry& entry) override;
    void OnKeyFailed(const RemovalKey& key) override;
    void OnEnd(RemovalEnd end) override;

private:
    // Only the low 32 bits of a count travel in wParam.
    void Post(UINT message, uint64_t wParam, LPARAM lParam) const
    {
        PostMessageW(m_job.m_hDlg, message, static_cast<WPARAM>(static_cast<uint32_t>(wParam)), lParam);
    }

    RemovalJob& m_job;
};

// Thread entry of the dialog's removal; pParam is the dialog's RemovalJob, whose m_hDlg takes the
// reports. Always 0.
DWORD WINAPI RemovalThreadProc(LPVOID pParam);

// The deletion engine with the dialog's protocol, its run given as nine parameters: with a report
// window a reporting run that sends uMsgStatus (status line 2, after setting *pStatusText) for each
// folder, counts files into *pFilesDone and every nReportStep files posts uMsgProgress, or
// uMsgCancelled and stops when *pCancel is 1; Abort at the locked-file prompt posts uMsgCancelled
// too. Without one a silent run. 1 when it finished, 0 when it stopped.
int DeleteFolderTree(const CString& strPath, HWND hWndReport, uint64_t* pFilesDone, uint32_t nReportStep,
                     const CancelFlag* pCancel, CString* pStatusText, UINT uMsgCancelled, UINT uMsgProgress,
                     UINT uMsgStatus);
// The same, telling how the run ended.
TreeOutcome DeleteTreeReportingTo(const CString& strPath, HWND hWndReport, uint64_t* pFilesDone,
                                  uint32_t nReportStep, const CancelFlag* pCancel, CString* pStatusText,
                                  UINT uMsgCancelled, UINT uMsgProgress, UINT uMsgStatus);
