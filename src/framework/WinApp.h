// CWinApp: the application object. The process entry (AfxWinMain) calls its InitInstance; when
// that returns FALSE the process ends with no message loop of its own.
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
// Restricts the DLL search to the system folder, loads the common controls (the progress bars need them),
// then runs the application object.
int AfxWinMain();
