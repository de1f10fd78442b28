// CWinApp: the application object. The process entry (AfxWinMain) calls its InitInstance; when
// that returns FALSE the process ends with no message loop of its own.
#pragma once

#include "framework/Wnd.h"

class CWinApp : public CCmdTarget
{
public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance();
    // The help command: the program ships no help file, so it has nothing to open.
    void OnHelp() {}

    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();
// Loads the common controls (the progress bars need them), then runs the application object.
int AfxWinMain();
