// Starts a program and works its windows from outside, as a user does: finds its visible top-level
// windows, reads their texts with the W functions and presses their buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace drive {

class Program
{
public:
    Program() = default;
    ~Program(); // ends the process if it still runs
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // false with the error code when the process cannot be created.
    bool Start(const std::wstring& exePath, DWORD& error);
    bool Running() const;
    bool WaitForExit(DWORD timeoutMs);
    DWORD ExitCode() const;
    void Kill();

    // Every visible top-level window of the process.
    std::vector<HWND> Windows() const;
    // A visible top-level window with exactly this title that is not in `seen`; null when none has
    // appeared within the timeout or the process has ended.
    HWND WaitForWindow(const std::wstring& title, DWORD timeoutMs, const std::vector<HWND>& seen = {}) const;

private:
    PROCESS_INFORMATION m_info = {};
};

std::wstring TextOf(HWND hWnd);
std::wstring ClassOf(HWND hWnd);
// The message of a message box: its static control 0xFFFF.
std::wstring BoxText(HWND box);
// The texts of the push buttons of a dialog or message box, in child order.
std::vector<std::wstring> ButtonTexts(HWND dialog);
// Posts the BN_CLICKED notification of a button, as a click does.
void Press(HWND dialog, int id);
// Selects a list item and tells the dialog, as a click on the item does.
void SelectListItem(HWND dialog, int listId, int index);
std::vector<std::wstring> ListItems(HWND list);
// Returns once the window's thread has handled everything sent before and has had time to paint.
void LetPaint(HWND hWnd, DWORD settleMs = 400);

template <class Condition> bool WaitUntil(Condition condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(20);
    }
    return true;
}

} // namespace drive
