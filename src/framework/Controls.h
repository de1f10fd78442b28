// Control wrappers: each call is one message to the control. They borrow the control's HWND,
// bound by DDX_Control.
#pragma once

#include "framework/Wnd.h"

#include <commctrl.h>

class CButton : public CWnd
{
};

class CStatic : public CWnd
{
};

class CListBox : public CWnd
{
public:
    int AddString(const CString& text);
    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    // The item's text; empty when there is no such item.
    CString GetText(int index) const;
    int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
    DWORD_PTR GetItemData(int index) const
    {
        return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, index));
    }
    int SetItemData(int index, DWORD_PTR data)
    {
        return static_cast<int>(
            SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
    }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    void SetHorizontalExtent(int extent) { SendMessage(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent)); }
};

class CProgressCtrl : public CWnd
{
public:
    int SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos))); }
    void SetRange32(int lower, int upper) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
};

// The device context of a WM_PAINT, from BeginPaint to EndPaint.
class CPaintDC
{
public:
    explicit CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) { m_hDC = BeginPaint(m_hWnd, &m_ps); }
    ~CPaintDC() { EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC GetSafeHdc() const { return m_hDC; }
    // Draws icon size x size pixels large, its image of that size if it has one.
    BOOL DrawIcon(int x, int y, HICON icon, int size)
    {
        return ::DrawIconEx(m_hDC, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
    }

    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWnd;
    HDC m_hDC;
};
