// CWnd: a window. A control member only borrows the HWND of its control; a window created by the
// framework (a dialog) is subclassed so that its messages pass through WindowProc and the
// message map.
#pragma once

#include "framework/MessageMap.h"
#include "framework/String.h"

#include <windows.h>

#include <functional>

class CWnd : public CCmdTarget
{
public:
    CWnd() = default;
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs) { return ::SetTimer(m_hWnd, id, elapseMs, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    // Turns the window's drawing off or back on. While it is off the window counts as not visible,
    // and turning it on draws nothing by itself.
    void SetRedraw(BOOL redraw = TRUE) { SendMessage(WM_SETREDRAW, static_cast<WPARAM>(redraw)); }
    BOOL RedrawWindow(UINT flags) { return ::RedrawWindow(m_hWnd, nullptr, nullptr, flags); }
    void SetWindowText(const CString& text);
    CString GetWindowText() const;
    // A message box owned by this window, through ShowMessageBox.
    int MessageBox(const CString& text, const CString& caption, UINT type = MB_OK);

    virtual BOOL DestroyWindow();

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Hands the message being processed to the window's original procedure.
    LRESULT Default();
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Routes this window's messages through WindowProc from now on.
    void SubclassWindow(HWND hWnd);

private:
    static LRESULT CALLBACK StdWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr;
    MSG m_currentMsg = {};
};

// Every message box of the program goes through this function. It shows a real MessageBoxW unless
// a handler is installed; tests install one to record the boxes and answer them.
using MessageBoxHandler =
    std::function<int(HWND owner, const CString& text, const CString& caption, UINT type)>;
int ShowMessageBox(HWND owner, const CString& text, const CString& caption, UINT type);
// Installs handler (an empty one restores the real boxes) and returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
