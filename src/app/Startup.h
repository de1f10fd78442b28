// What the process does with its command line, from the first decision on.
#pragma once

#include "app/CommandLine.h"

// Runs the program as the command line says and gives the process's exit code: the dialog for an
// empty command line, the unattended run for any other. The 32-bit build refuses to run on 64-bit
// Windows before it reads anything: there it would see another registry view and other folders than
// the ones its tests run on, and only the 64-bit build may delete anything there.
int RunProgram(const CommandLine& line);

// The box the dialog mode shows instead under WOW64.
extern const char kWrongPlatformText[];
