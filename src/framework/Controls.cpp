#include "framework/Controls.h"

#include "framework/Text.h"

int CListBox::AddString(const CString& text)
{
    const std::wstring wide = win32::Widen(text);
    return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

CString CListBox::GetText(int index) const
{
    const LRESULT length = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length == LB_ERR)
        return CString();
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
    return copied == LB_ERR ? CString() : win32::Narrow(wide.data(), static_cast<size_t>(copied));
}
