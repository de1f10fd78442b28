// The exit codes of an unattended run, in the conventions of Windows Installer that deployment
// tools read.
#pragma once

enum ExitCode : int
{
    EXIT_DONE = 0,                // ERROR_SUCCESS
    EXIT_NOT_ADMINISTRATOR = 5,   // ERROR_ACCESS_DENIED
    EXIT_FAILED = 1603,           // ERROR_INSTALL_FAILURE
    EXIT_NOT_INSTALLED = 1605,    // ERROR_UNKNOWN_PRODUCT
    EXIT_BUSY = 1618,             // ERROR_INSTALL_ALREADY_RUNNING: try again later
    EXIT_LOG_FAILED = 1622,       // ERROR_INSTALL_LOG_FAILURE: the log cannot be opened, nothing done
    EXIT_WRONG_PLATFORM = 1633,   // ERROR_INSTALL_PLATFORM_UNSUPPORTED: the 32-bit build on 64-bit Windows
    EXIT_BAD_COMMAND_LINE = 1639, // ERROR_INVALID_COMMAND_LINE
    EXIT_RESTART_REQUIRED = 3010, // ERROR_SUCCESS_REBOOT_REQUIRED
};

// What the code means, for the log.
const char* ExitCodeMeaning(int code);
