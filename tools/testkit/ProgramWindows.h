// Starts a program and works its windows from outside, as a user does: finds its visible top-level
// windows, reads their texts with the W functions and presses their buttons.
#pragma once

#include "Fixtures.h"

#include <windows.h>

#include <algorithm>

#include <string>
#include <vector>

namespace drive {

using fixture::WaitUntil;

// The program's own texts that a driver looks for.
const wchar_t kBoxTitle[] = L"ルミナGOシリーズの削除";
const wchar_t kDialogTitle[] = L"ルミナGOシリーズの削除 - Version 1.4";
const wchar_t kInfoText[] = L"実行する前に、\nすべてのWindowsプログラムを終了することを推奨します。";

class Program
{
public:
    Program() = default;
    ~Program(); // ends the process if it still runs
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // false with the error code when the process cannot be created. arguments follow the program's
    // quoted path on its command line; stdOut, when given, is inherited as its standard output.
    bool Start(const std::wstring& exePath, DWORD& error, const std::wstring& arguments = std::wstring(),
               HANDLE stdOut = nullptr);
    bool Running() const;
    bool WaitForExit(DWORD timeoutMs);
    DWORD ExitCode() const;
    void Kill();

    // Every visible top-level window of the process.
    std::vector<HWND> Windows() const;
    // A visible top-level window that satisfies matches; null when none has appeared within the
    // timeout or the process has ended.
    template <class Matches> HWND WaitForWindowWhere(Matches matches, DWORD timeoutMs) const
    {
        HWND found = nullptr;
        WaitUntil(
            [&] {
                for (HWND hWnd : Windows()) {
                    if (matches(hWnd)) {
                        found = hWnd;
                        return true;
                    }
                }
                return !Running();
            },
            timeoutMs);
        return found;
    }
    // A window with exactly this title that is not in seen.
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

// A path as Windows sees it: a Unix path ("/work/...") becomes its Z: drive form.
std::wstring WindowsPath(const std::wstring& path);

// A message box of the program, not in seen, whose message satisfies matches.
template <class Matches>
HWND WaitForBox(const Program& program, Matches matches, DWORD timeoutMs, const std::vector<HWND>& seen = {})
{
    return program.WaitForWindowWhere(
        [&](HWND hWnd) {
            return TextOf(hWnd) == kBoxTitle && GetDlgItem(hWnd, 0xFFFF) &&
                   std::find(seen.begin(), seen.end(), hWnd) == seen.end() && matches(BoxText(hWnd));
        },
        timeoutMs);
}

// A font selected into a memory device context, to measure texts as a control draws them with
// it: made from a face at a point size for a display of dpi, or as another font at a multiple of its
// height. Deleted at the end.
class MeasuringFont
{
public:
    MeasuringFont(const wchar_t* face, int points, UINT dpi);
    MeasuringFont(HFONT model, int factor);
    ~MeasuringFont();
    MeasuringFont(const MeasuringFont&) = delete;
    MeasuringFont& operator=(const MeasuringFont&) = delete;

    HFONT Get() const { return m_hFont; }
    std::wstring Face() const;
    LONG Height() const;
    // The size of text on one line, with "&" taken as the mark of a mnemonic as controls take it.
    SIZE LabelSize(const std::wstring& text) const;
    LONG Width(const std::wstring& text) const;
    LONG Widest(const std::vector<std::wstring>& texts) const;

private:
    void Select();

    HDC m_hDC = nullptr;
    HFONT m_hFont = nullptr;
    HGDIOBJ m_hPrevious = nullptr;
};

} // namespace drive
