#include "support/Unattended.h"

#include "app/CommandLine.h"
#include "app/UnattendedRun.h"
#include "testkit/Fixtures.h"

#include <windows.h>

namespace {

const wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";

} // namespace

UnattendedResult RunUnattended(const std::wstring& arguments, const std::wstring& log)
{
    const std::wstring commandLine = L"SeriesClean.exe " + arguments + L" /log \"" + log + L"\"";
    UnattendedResult result;
    result.exitCode = RunCommandLine(ParseCommandLine(SplitArguments(commandLine.c_str())));
    // 1622: the log was refused, and is not the run's; 1639: an invalid command line names no log.
    if (result.exitCode != 1622 && result.exitCode != 1639)
        result.log = fixture::LogLines(log);
    return result;
}

bool HasLineStarting(const std::vector<std::wstring>& lines, const std::wstring& start)
{
    for (const std::wstring& line : lines) {
        if (line.compare(0, start.size(), start) == 0)
            return true;
    }
    return false;
}

std::wstring PendingDeletes()
{
    wchar_t buffer[16384] = {};
    DWORD size = sizeof(buffer) - 2 * sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ,
                     nullptr, buffer, &size) != ERROR_SUCCESS)
        return std::wstring();
    std::wstring all(buffer, size / sizeof(wchar_t));
    for (wchar_t& c : all) {
        if (c == L'\0')
            c = L'|';
    }
    return all;
}

void ForgetPendingDeletes()
{
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSessionManager, L"PendingFileRenameOperations");
}
