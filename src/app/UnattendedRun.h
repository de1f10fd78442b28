// A run driven by its command line, for deployment tools: no dialog, an exit code in the
// conventions of Windows Installer, and a log.
//
// Errors in the app layer: an unattended run ends with an ExitCode and writes every failure to its
// log (a log that cannot be written is given up silently); the dialog's run ends with 0.
#pragma once

#include "app/CommandLine.h"

#include <string>

// The name of the mutex that every running copy of the program holds, and the file in the program's
// home that holds the lock instead where another account made an object of that name.
extern const wchar_t kInstanceMutexName[];
std::wstring InstanceLockFile();

// Carries out a command line other than the empty one and returns the process's exit code.
int RunCommandLine(const CommandLine& line);
