#include "app/ExitCodes.h"

const char* ExitCodeMeaning(int code)
{
    switch (code) {
    case EXIT_DONE:
        return "done";
    case EXIT_NOT_ADMINISTRATOR:
        return "not an administrator";
    case EXIT_FAILED:
        return "failed";
    case EXIT_NOT_INSTALLED:
        return "not installed";
    case EXIT_BUSY:
        return "busy: a product or another copy of the program is running, try again later";
    case EXIT_LOG_FAILED:
        return "the log cannot be opened safely, nothing was done";
    case EXIT_WRONG_PLATFORM:
        return "not supported on this platform: the 32-bit build does not run on 64-bit Windows, use the "
               "64-bit SeriesClean.exe";
    case EXIT_BAD_COMMAND_LINE:
        return "invalid command line";
    case EXIT_RESTART_REQUIRED:
        return "done, a restart is needed to finish";
    default:
        return "unknown";
    }
}
