#include "framework/Controls.h"

#include "framework/Text.h"

int CListBox::AddString(const CString& text)
{
    const std::wstring wide = win32::Widen(text);
    return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}
