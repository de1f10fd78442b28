#include "ui/DialogReport.h"

#include "framework/Text.h"
#include "framework/Wnd.h"
#include "removal/RemovalWorker.h"

namespace {

// The engine's reports as window messages to the caller's window.
class CWindowMessages final : public CTreeCallbacks
{
public:
    CWindowMessages(HWND hWnd, const CancelFlag* pCancel, CString* pStatusText, UINT uMsgProgress,
                    UINT uMsgStatus)
        : m_hWnd(hWnd), m_pCancel(pCancel), m_pStatusText(pStatusText), m_uMsgProgress(uMsgProgress),
          m_uMsgStatus(uMsgStatus)
    {}

    void OnTreeFolder(const CString& status) override
    {
        *m_pStatusText = status;
        SendMessageW(m_hWnd, m_uMsgStatus, 0, LINE_DETAIL);
    }
    void OnTreeFiles(uint64_t files) override
    {
        PostMessageW(m_hWnd, m_uMsgProgress, static_cast<WPARAM>(static_cast<uint32_t>(files)), LINE_DETAIL);
    }
    bool CancelRequested() const override { return m_pCancel && m_pCancel->load() == 1; }
    int OnLockedFile(const LockedEntry& entry) override { return ShowLockedFilePrompt(m_hWnd, entry.path); }

private:
    HWND m_hWnd;
    const CancelFlag* m_pCancel;
    CString* m_pStatusText;
    UINT m_uMsgProgress;
    UINT m_uMsgStatus;
};

} // namespace

int ShowLockedFilePrompt(HWND owner, const std::wstring& path)
{
    // Here and on status line 2, and nowhere else, a character code page 932 lacks shows as '?'.
    return ShowMessageBox(owner, win32::Narrow(path) + "がロック中です。", kAppTitle,
                          MB_ABORTRETRYIGNORE | MB_ICONQUESTION | MB_DEFBUTTON2);
}

void CDialogReport::SetStatus(ProgressLine line, const CString& text)
{
    // The dialog copies the text before the send returns.
    m_job.m_strStatus = text;
    SendMessageW(m_job.m_hDlg, UM_STATUS_TEXT, 0, line);
}

int CDialogReport::OnLockedFile(const LockedEntry& entry)
{
    return ShowLockedFilePrompt(entry.reportingStep ? m_job.m_hDlg : nullptr, entry.path);
}

void CDialogReport::OnKeyFailed(const RemovalKey& key)
{
    CString text;
    text.Format(key.root == HKEY_CURRENT_USER ? "レジストリの削除に失敗しました。\n\nHKEY_CURRENT_USER\\%s"
                                              : "レジストリの削除に失敗しました。\n\nHKEY_LOCAL_MACHINE\\%s",
                key.path.GetString());
    ShowMessageBox(m_job.m_hDlg, text, kAppTitle, MB_ICONERROR);
}

void CDialogReport::OnEnd(RemovalEnd end)
{
    // After this message the dialog, and the job with it, may be gone.
    Post(end == RemovalEnd::Done        ? UM_DONE_OK
         : end == RemovalEnd::Cancelled ? UM_DONE_CANCELLED
                                        : UM_DONE_FAILED,
         0, 0);
}

DWORD WINAPI RemovalThreadProc(LPVOID pParam)
{
    auto& job = *static_cast<RemovalJob*>(pParam);
    CDialogReport report(job);
    RunRemoval(job, report);
    return 0;
}

int DeleteFolderTree(const CString& strPath, HWND hWndReport, uint64_t* pFilesDone, uint32_t nReportStep,
                     const CancelFlag* pCancel, CString* pStatusText, UINT uMsgCancelled, UINT uMsgProgress,
                     UINT uMsgStatus)
{
    return DeleteTreeReportingTo(strPath, hWndReport, pFilesDone, nReportStep, pCancel, pStatusText,
                                 uMsgCancelled, uMsgProgress, uMsgStatus)
                   .finished
               ? 1
               : 0;
}

TreeOutcome DeleteTreeReportingTo(const CString& strPath, HWND hWndReport, uint64_t* pFilesDone,
                                  uint32_t nReportStep, const CancelFlag* pCancel, CString* pStatusText,
                                  UINT uMsgCancelled, UINT uMsgProgress, UINT uMsgStatus)
{
    CWindowMessages messages(hWndReport, pCancel, pStatusText, uMsgProgress, uMsgStatus);
    TreeRun run;
    run.reporting = hWndReport != nullptr;
    run.pFilesDone = pFilesDone;
    run.nReportStep = nReportStep;
    const TreeOutcome outcome = DeleteTree(strPath, run, messages);
    if ((outcome.stop == TreeStop::Cancelled || outcome.stop == TreeStop::Aborted) && hWndReport)
        PostMessageW(hWndReport, uMsgCancelled, 0, 0);
    return outcome;
}
