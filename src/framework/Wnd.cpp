#include "framework/Wnd.h"

#include "framework/UserText.h"

#include <mutex>

namespace {

const wchar_t kWindowObjectProperty[] = L"SeriesClean.CWnd";

std::mutex g_messageBoxMutex;
MessageBoxHandler g_messageBoxHandler;

} // namespace

CWnd::~CWnd()
{
    if (m_pfnSuper && m_hWnd && IsWindow(m_hWnd)) {
        SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        RemovePropW(m_hWnd, kWindowObjectProperty);
    }
}

void CWnd::SetWindowText(const CString& text)
{
    win32::SetWindowTextOf(m_hWnd, text);
}

CString CWnd::GetWindowText() const
{
    return win32::WindowText(m_hWnd);
}

int CWnd::MessageBox(const CString& text, const CString& caption, UINT type)
{
    return ShowMessageBox(m_hWnd, text, caption, type);
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (DispatchMessageMap(message, wParam, lParam, result))
        return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_currentMsg.message, m_currentMsg.wParam, m_currentMsg.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void CWnd::SubclassWindow(HWND hWnd)
{
    m_hWnd = hWnd;
    SetPropW(hWnd, kWindowObjectProperty, this);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* wnd = static_cast<CWnd*>(GetPropW(hWnd, kWindowObjectProperty));
    if (!wnd)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);

    const MSG saved = wnd->m_currentMsg;
    wnd->m_currentMsg = MSG{hWnd, message, wParam, lParam, 0, {0, 0}};
    const LRESULT result = wnd->WindowProc(message, wParam, lParam);
    wnd->m_currentMsg = saved;

    if (message == WM_NCDESTROY) {
        // The window is gone: give it back its own procedure and forget it.
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd->m_pfnSuper));
        RemovePropW(hWnd, kWindowObjectProperty);
        wnd->m_pfnSuper = nullptr;
        wnd->m_hWnd = nullptr;
    }
    return result;
}

int ShowMessageBox(HWND owner, const CString& text, const CString& caption, UINT type)
{
    MessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_messageBoxMutex);
        handler = g_messageBoxHandler;
    }
    if (handler)
        return handler(owner, text, caption, type);
    return win32::ShowMessageBoxNow(owner, text, caption, type);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard<std::mutex> lock(g_messageBoxMutex);
    std::swap(handler, g_messageBoxHandler);
    return handler;
}
