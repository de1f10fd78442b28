#include "framework/Dialog.h"

namespace {

// The dialog whose window is being created on this thread. The dialog manager sends WM_SETFONT
// before WM_INITDIALOG brings the creation parameter, so the object is handed over this way.
thread_local CDialog* t_dialogBeingCreated = nullptr;

} // namespace

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control)
{
    if (!control.m_hWnd)
        control.m_hWnd = GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_WM_INITDIALOG()
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal()
{
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    const bool parentWasEnabled = parent && ::IsWindowEnabled(parent);
    if (parentWasEnabled)
        ::EnableWindow(parent, FALSE);

    m_bModalEnded = false;
    m_nModalResult = -1;
    t_dialogBeingCreated = this;
    HWND hWnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate), parent,
                                   &CDialog::DialogProc, 0);
    t_dialogBeingCreated = nullptr;

    if (hWnd) {
        if (!m_bModalEnded)
            RunModalLoop();
        if (m_hWnd) {
            SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        }
    }
    if (parentWasEnabled) {
        ::EnableWindow(parent, TRUE);
        SetActiveWindow(parent);
    }
    if (m_hWnd)
        DestroyWindow();
    return m_nModalResult;
}

void CDialog::RunModalLoop()
{
    MSG msg;
    while (!m_bModalEnded) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1)
            break;
        if (!m_hWnd || !IsDialogMessageW(m_hWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    m_bModalEnded = true;
    if (m_hWnd)
        PostMessage(WM_NULL);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The first message of the new dialog attaches it to its object; from then on every message
    // reaches the object through its subclassed window procedure and this procedure only lets
    // the dialog manager do its default work.
    CDialog* dialog = t_dialogBeingCreated;
    if (dialog && !dialog->m_hWnd) {
        t_dialogBeingCreated = nullptr;
        dialog->SubclassWindow(hWnd);
        if (message == WM_INITDIALOG)
            return dialog->WindowProc(message, wParam, lParam);
    }
    return FALSE;
}
