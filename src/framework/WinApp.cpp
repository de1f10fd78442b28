#include "framework/WinApp.h"

#include <commctrl.h>

namespace {

CWinApp* g_app = nullptr;

} // namespace

CWinApp::CWinApp()
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

CWinApp* AfxGetApp()
{
    return g_app;
}

int AfxWinMain()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    if (CWinApp* app = AfxGetApp())
        app->InitInstance();
    return 0;
}
