#include "ProgramWindows.h"

#include <algorithm>

namespace drive {

namespace {

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

Program::~Program()
{
    if (Running())
        Kill();
    if (m_info.hThread)
        CloseHandle(m_info.hThread);
    if (m_info.hProcess)
        CloseHandle(m_info.hProcess);
}

bool Program::Start(const std::wstring& exePath, DWORD& error, const std::wstring& arguments, HANDLE stdOut)
{
    std::wstring commandLine = L"\"" + exePath + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (stdOut) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = stdOut;
        startup.hStdError = stdOut;
    }
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, stdOut != nullptr, 0, nullptr, nullptr,
                        &startup, &m_info)) {
        error = GetLastError();
        return false;
    }
    return true;
}

bool Program::Running() const
{
    return m_info.hProcess && WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

bool Program::WaitForExit(DWORD timeoutMs)
{
    return m_info.hProcess && WaitForSingleObject(m_info.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (m_info.hProcess)
        GetExitCodeProcess(m_info.hProcess, &code);
    return code;
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

HWND Program::WaitForWindow(const std::wstring& title, DWORD timeoutMs, const std::vector<HWND>& seen) const
{
    return WaitForWindowWhere(
        [&](HWND hWnd) {
            return TextOf(hWnd) == title && std::find(seen.begin(), seen.end(), hWnd) == seen.end();
        },
        timeoutMs);
}

std::wstring TextOf(HWND hWnd)
{
    const int length = GetWindowTextLengthW(hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hWnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return text;
}

std::wstring ClassOf(HWND hWnd)
{
    wchar_t name[128] = {};
    GetClassNameW(hWnd, name, 128);
    return name;
}

std::wstring BoxText(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? TextOf(text) : std::wstring();
}

std::vector<std::wstring> ButtonTexts(HWND dialog)
{
    std::vector<std::wstring> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring name = ClassOf(child);
        CharLowerW(name.data());
        const LONG_PTR type = GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK;
        if (name == L"button" && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) &&
            IsWindowVisible(child))
            texts.push_back(TextOf(child));
    }
    return texts;
}

void Press(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SelectListItem(HWND dialog, int listId, int index)
{
    HWND list = GetDlgItem(dialog, listId);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

std::vector<std::wstring> ListItems(HWND list)
{
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0)
            continue;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        items.push_back(text);
    }
    return items;
}

std::wstring WindowsPath(const std::wstring& path)
{
    if (path.empty() || path[0] != L'/')
        return path;
    std::wstring result = L"Z:";
    for (wchar_t c : path)
        result += c == L'/' ? L'\\' : c;
    return result;
}

void LetPaint(HWND hWnd, DWORD settleMs)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    Sleep(settleMs);
    SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
}

MeasuringFont::MeasuringFont(const wchar_t* face, int points, UINT dpi)
    : m_hFont(CreateFontW(-MulDiv(points, static_cast<int>(dpi), 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE,
                          FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                          FF_DONTCARE, face))
{
    Select();
}

MeasuringFont::MeasuringFont(HFONT model, int factor)
{
    LOGFONTW font = {};
    GetObjectW(model, sizeof(font), &font);
    font.lfHeight *= factor;
    font.lfWidth *= factor;
    m_hFont = CreateFontIndirectW(&font);
    Select();
}

void MeasuringFont::Select()
{
    m_hDC = CreateCompatibleDC(nullptr);
    m_hPrevious = SelectObject(m_hDC, m_hFont);
}

MeasuringFont::~MeasuringFont()
{
    SelectObject(m_hDC, m_hPrevious);
    DeleteDC(m_hDC);
    DeleteObject(m_hFont);
}

std::wstring MeasuringFont::Face() const
{
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(m_hDC, LF_FACESIZE, face);
    return face;
}

LONG MeasuringFont::Height() const
{
    TEXTMETRICW metrics = {};
    GetTextMetricsW(m_hDC, &metrics);
    return metrics.tmHeight;
}

SIZE MeasuringFont::LabelSize(const std::wstring& text) const
{
    RECT rect = {};
    DrawTextW(m_hDC, text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_SINGLELINE);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

LONG MeasuringFont::Width(const std::wstring& text) const
{
    SIZE size = {};
    GetTextExtentPoint32W(m_hDC, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

LONG MeasuringFont::Widest(const std::vector<std::wstring>& texts) const
{
    LONG widest = 0;
    for (const std::wstring& text : texts)
        widest = std::max(widest, Width(text));
    return widest;
}

} // namespace drive
