#include "app/Startup.h"
#include "framework/DllSearch.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Before anything can make Windows load a DLL on demand.
    win32::RestrictDllSearchToSystem();
    return RunProgram(ParseCommandLine(SplitArguments(GetCommandLineW())));
}
