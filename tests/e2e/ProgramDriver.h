// Starts the real SeriesClean.exe and drives it from outside, as a user would: finds its windows,
// reads their texts with the W functions and presses their buttons.
#pragma once

#include "ProgramWindows.h"
#include "support/Fixtures.h"

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

using drive::BoxText;
using drive::ListItems;
using drive::Press;
using drive::TextOf;
using fixture::WaitUntil;

const wchar_t kBoxTitle[] = L"ルミナGOシリーズの削除";
const wchar_t kDialogTitle[] = L"ルミナGOシリーズの削除 - Version 1.4";
const wchar_t kInfoText[] = L"実行する前に、\nすべてのWindowsプログラムを終了することを推奨します。";
constexpr DWORD kTimeoutMs = 20000;

// SeriesClean.exe, started by the constructor and killed by the destructor if it still runs.
class Program : public drive::Program
{
public:
    Program();
    bool WaitForExit(DWORD timeoutMs = kTimeoutMs) { return drive::Program::WaitForExit(timeoutMs); }
    HWND WaitForWindow(const std::wstring& title, DWORD timeoutMs = kTimeoutMs) const
    {
        return drive::Program::WaitForWindow(title, timeoutMs);
    }
};

// A message box of the program whose text satisfies matches; null after the timeout.
template <class Matches>
HWND WaitForBox(const Program& program, Matches matches, DWORD timeoutMs = kTimeoutMs)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND hWnd : program.Windows()) {
                if (TextOf(hWnd) == kBoxTitle && GetDlgItem(hWnd, 0xFFFF) && matches(BoxText(hWnd))) {
                    found = hWnd;
                    return true;
                }
            }
            return !program.Running();
        },
        timeoutMs);
    return found;
}
HWND WaitForBoxText(const Program& program, const std::wstring& text);

// Selects the list item at index as a user does, and presses Delete.
void SelectAndDelete(HWND dialog, int index);

// Starts the program and answers its information box: the main dialog, ready for input.
HWND StartToMainDialog(Program& program);

} // namespace e2e
