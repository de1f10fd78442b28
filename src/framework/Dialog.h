// CDialog: a dialog from a dialog template, run modally by DoModal with its own message loop, so
// that ending it during initialisation only marks the run as ended, and the dialog window is
// destroyed through the virtual DestroyWindow when the run returns.
#pragma once

#include "framework/Wnd.h"

class CDataExchange
{
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate)
    {}

    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Binds control to the dialog's control nIDC (the control member borrows its HWND).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& control);

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    virtual BOOL OnInitDialog();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void OnOK();
    virtual void OnCancel();

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void RunModalLoop();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bModalEnded = false;
    int m_nModalResult = -1;
};
