// Starts the real SeriesClean.exe and drives it from outside, as a user would: finds its windows,
// reads their texts with the W functions and presses their buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

class Program
{
public:
    Program();
    ~Program(); // kills the process if it still runs
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD Pid() const { return m_info.dwProcessId; }
    bool WaitForExit(DWORD timeoutMs = 15000);
    bool Running() const;
    void Kill();

    // A visible top-level dialog of the program with exactly this title; null after the timeout.
    HWND WaitForWindow(const std::wstring& title, DWORD timeoutMs = 15000) const;
    // Every visible top-level window of the program.
    std::vector<HWND> Windows() const;

private:
    PROCESS_INFORMATION m_info = {};
};

std::wstring TextOf(HWND hWnd);
// The message text of a message box.
std::wstring BoxText(HWND box);
// Presses a button of a dialog or message box (its BN_CLICKED notification, posted).
void Press(HWND dialog, int id);
std::vector<std::wstring> ListItems(HWND list);
// Waits until the condition holds; false after the timeout.
template <class Condition> bool WaitUntil(Condition condition, DWORD timeoutMs = 15000)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(10);
    }
    return true;
}

const wchar_t kBoxTitle[] = L"ルミナGOシリーズの削除";
const wchar_t kDialogTitle[] = L"ルミナGOシリーズの削除 - Version 1.4";
const wchar_t kInfoText[] = L"実行する前に、\nすべてのWindowsプログラムを終了することを推奨します。";

// A message box of the program whose text satisfies matches; null after the timeout.
template <class Matches> HWND WaitForBox(const Program& program, Matches matches, DWORD timeoutMs = 20000)
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
