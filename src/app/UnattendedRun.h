// A run driven by its command line, for deployment tools: no dialog, an exit code in the
// conventions of Windows Installer, and a log.
#pragma once

#include "app/CommandLine.h"

// The name of the mutex that every running copy of the program holds.
extern const wchar_t kInstanceMutexName[];

// Carries out a command line other than the empty one and returns the process's exit code.
int RunCommandLine(const CommandLine& line);
