#include "framework/Controls.h"

#include "framework/Text.h"

#include <vector>

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
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const LRESULT copied =
        SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return copied == LB_ERR ? CString() : win32::Narrow(buffer.data(), static_cast<size_t>(copied));
}
