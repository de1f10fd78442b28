// An unattended run of the program in this process, as a deployment tool starts one, and what it
// wrote to its log.
#pragma once

#include <string>
#include <vector>

struct UnattendedResult
{
    int exitCode = -1;
    // Without time stamps; empty when the run refused the log (1622) or read no command line (1639).
    std::vector<std::wstring> log;
};

// Runs "SeriesClean.exe <arguments> /log <log>".
UnattendedResult RunUnattended(const std::wstring& arguments, const std::wstring& log);

// Whether a line of the log begins with start.
bool HasLineStarting(const std::vector<std::wstring>& lines, const std::wstring& start);

// PendingFileRenameOperations with '|' for each terminating zero; empty when there is none.
std::wstring PendingDeletes();
// Clears PendingFileRenameOperations.
void ForgetPendingDeletes();
