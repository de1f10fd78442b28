#include "app/Startup.h"

#include "app/ExitCodes.h"
#include "app/UnattendedRun.h"
#include "framework/Platform.h"
#include "framework/Security.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "ui/RemovalMessages.h"

const char kWrongPlatformText[] = "このプログラム (32ビット版) は64ビット版のWindowsでは動作しません。\n"
                                  "64ビット版の SeriesClean.exe を使用してください。";

int RunProgram(const CommandLine& line)
{
    if (line.action != CommandAction::Dialog)
        return RunCommandLine(line);
    if (IsWow64() == 1) {
        ShowMessageBox(nullptr, kWrongPlatformText, kAppTitle, MB_OK | MB_ICONERROR);
        return EXIT_WRONG_PLATFORM;
    }
    // The dialog marks itself as running, so that an unattended run waits, but never refuses to
    // start.
    const win32::CAdministratorsLock running(kInstanceMutexName, InstanceLockFile());
    return AfxWinMain();
}
