#include "framework/WinApp.h"

#include "framework/DllSearch.h"

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
    // Before anything can make Windows load a DLL on demand.
    win32::RestrictDllSearchToSystem();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CWinApp* app = AfxGetApp();
    if (!app || !app->InitInstance())
        return 0;
    // Only an application that keeps running after InitInstance would need a message loop here.
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
