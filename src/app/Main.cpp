#include "app/UnattendedRun.h"
#include "framework/DllSearch.h"
#include "framework/Platform.h"
#include "framework/WinApp.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Before anything can make Windows load a DLL on demand.
    win32::RestrictDllSearchToSystem();

    const CommandLine line = ParseCommandLine(SplitArguments(GetCommandLineW()));
    if (line.action != CommandAction::Dialog)
        return RunCommandLine(line);
    // The dialog marks itself as running, so that an unattended run waits, but never refuses to
    // start.
    const CInstanceMutex running(kInstanceMutexName);
    return AfxWinMain();
}
