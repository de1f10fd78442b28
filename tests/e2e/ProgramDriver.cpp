#include "e2e/ProgramDriver.h"

#include <gtest/gtest.h>

namespace e2e {

namespace {

std::wstring ExecutablePath()
{
    // SERIESCLEAN_EXE is the program's Unix path; Wine shows the Unix root as drive Z:.
    std::wstring path = L"Z:";
    for (const char* p = SERIESCLEAN_EXE; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    return path;
}

struct EnumState
{
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam)
{
    auto* state = reinterpret_cast<EnumState*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (pid == state->pid && IsWindowVisible(hWnd))
        state->windows.push_back(hWnd);
    return TRUE;
}

} // namespace

Program::Program()
{
    std::wstring commandLine = L"\"" + ExecutablePath() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &m_info);
    EXPECT_TRUE(started) << "cannot start SeriesClean.exe, error " << GetLastError();
}

Program::~Program()
{
    if (Running())
        Kill();
    if (m_info.hThread)
        CloseHandle(m_info.hThread);
    if (m_info.hProcess)
        CloseHandle(m_info.hProcess);
}

bool Program::WaitForExit(DWORD timeoutMs)
{
    return m_info.hProcess && WaitForSingleObject(m_info.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

bool Program::Running() const
{
    return m_info.hProcess && WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

void Program::Kill()
{
    TerminateProcess(m_info.hProcess, 1);
    WaitForSingleObject(m_info.hProcess, 10000);
}

std::vector<HWND> Program::Windows() const
{
    EnumState state{m_info.dwProcessId, {}};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&state));
    return state.windows;
}

HWND Program::WaitForWindow(const std::wstring& title, DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND hWnd : Windows()) {
                if (TextOf(hWnd) == title) {
                    found = hWnd;
                    return true;
                }
            }
            return !Running();
        },
        timeoutMs);
    return found;
}

std::wstring TextOf(HWND hWnd)
{
    const int length = GetWindowTextLengthW(hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hWnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::wstring BoxText(HWND box)
{
    return TextOf(GetDlgItem(box, 0xFFFF));
}

void Press(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<std::wstring> ListItems(HWND list)
{
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        items.push_back(text);
    }
    return items;
}

HWND WaitForBoxText(const Program& program, const std::wstring& text)
{
    return WaitForBox(program, [&](const std::wstring& boxText) { return boxText == text; });
}

void SelectAndDelete(HWND dialog, int index)
{
    HWND list = GetDlgItem(dialog, 1000);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1000, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    Press(dialog, 1001);
}

HWND StartToMainDialog(Program& program)
{
    HWND info = program.WaitForWindow(kBoxTitle);
    EXPECT_NE(info, nullptr) << "no information box";
    if (!info)
        return nullptr;
    EXPECT_EQ(BoxText(info), kInfoText);
    Press(info, IDOK);
    HWND dialog = program.WaitForWindow(kDialogTitle);
    EXPECT_NE(dialog, nullptr) << "no main dialog";
    return dialog;
}

} // namespace e2e
