// CWinApp: the application object. The process entry (AfxWinMain) calls its InitInstance, which
// runs the program's modal dialog; when it returns, the process ends: there is no message loop of
// the application's own.
#pragma once

#include "framework/Wnd.h"

class CWinApp
{
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();

    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
// Loads the common controls (the progress bars need them), then runs the application object's
// InitInstance, inside which the whole program runs; the process then ends with 0.
int AfxWinMain();
