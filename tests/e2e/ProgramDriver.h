// Starts the real SeriesClean.exe and drives it from outside with the test kit's window driver, as
// a user would.
#pragma once

#include "testkit/ProgramWindows.h"

#include <string>

namespace e2e {

using drive::BoxText;
using drive::kBoxTitle;
using drive::kDialogTitle;
using drive::kInfoText;
using drive::ListItems;
using drive::Press;
using drive::TextOf;
using fixture::WaitUntil;

constexpr DWORD kTimeoutMs = 20000;

// SeriesClean.exe, started by the constructor and killed by the destructor if it still runs.
class Program : public drive::Program
{
public:
    Program();
    // Started with these arguments; stdOut, when given, becomes its standard output.
    explicit Program(const std::wstring& arguments, HANDLE stdOut = nullptr);
    bool WaitForExit(DWORD timeoutMs = kTimeoutMs) { return drive::Program::WaitForExit(timeoutMs); }
    HWND WaitForWindow(const std::wstring& title, DWORD timeoutMs = kTimeoutMs) const
    {
        return drive::Program::WaitForWindow(title, timeoutMs);
    }
};

// A message box of the program whose text satisfies matches; null after the timeout.
template <class Matches> HWND WaitForBox(const Program& program, Matches matches)
{
    return drive::WaitForBox(program, matches, kTimeoutMs);
}
HWND WaitForBoxText(const Program& program, const std::wstring& text);

// Selects the list item at index as a user does, and presses Delete.
void SelectAndDelete(HWND dialog, int index);

// Starts the program and answers its information box: the main dialog, ready for input.
HWND StartToMainDialog(Program& program);

} // namespace e2e
