// The delete button: the user's path through the boxes of a removal, from the running-product check
// to the start of the worker.
#include "framework/Handles.h"
#include "ui/DialogReport.h"
#include "removal/Policy.h"
#include "removal/Survey.h"
#include "ui/SeriesCleanDlg.h"

namespace {

// The list of what was found, in the confirmation's order.
CString FoundList(const RemovalJob& job)
{
    CString list = "<ﾌｧｲﾙ/ﾌｫﾙﾀﾞ>\n";
    for (RemovalSlot slot : kConfirmationOrder) {
        if (job.m_bFound[slot])
            list += " ･" + job.m_strTarget[slot] + "\n";
    }
    return list;
}

} // namespace

void CSeriesCleanDlg::OnDelete()
{
    const int selection = m_listProducts.GetCurSel();
    if (selection == LB_ERR)
        return;
    const auto* entry = reinterpret_cast<const CProductEntry*>(m_listProducts.GetItemData(selection));
    const CString name = entry->GetDisplayName();

    if (IsProductRunning(*entry)) {
        CString text;
        text.Format("%sは起動しています。\nアプリケーションを終了させて実行してください。", name.GetString());
        MessageBox(text, kAppTitle, MB_ICONERROR);
        return;
    }
    if (MessageBox(name + " を削除します。削除してよろしいですか？", kAppTitle,
                   MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDCANCEL)
        return;

    // The survey can take minutes; nothing may be clicked meanwhile.
    SetBusy(true);
    m_staticInfo.SetWindowText(name + " の環境を調査中です(数分かかる場合があります)...");
    EnableWindow(FALSE);

    SurveyRemoval(*entry, m_job);

    m_staticInfo.SetWindowText(name + " を削除中です...");

    m_job.m_hDlg = m_hWnd;
    m_job.m_nStepDone = 0;
    m_job.m_nFileDone = 0;
    m_job.m_nReportInterval = 10;
    m_job.m_bCancel = 0;

    if (AnythingFound(m_job)) {
        const CString text = "以下のデータを削除します。削除してよろしいですか？\n\n" + FoundList(m_job) +
                             "\n※ 必要なﾌｧｲﾙ/ﾌｫﾙﾀﾞがある場合は、[ｷｬﾝｾﾙ]してください。";
        if (MessageBox(text, kAppTitle, MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDCANCEL) {
            SetBusy(false);
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
        return;
    }
    // The worker is never waited for: it ends the dialog with its final message. Its handle is
    // dropped here, and the thread runs on.
    thread.Close();
}
