// Window and drawing calls that carry text, through the text boundary.
#pragma once

#include "framework/String.h"

#include <windows.h>

namespace win32 {

CString WindowText(HWND hWnd);
void SetWindowTextOf(HWND hWnd, const CString& text);
// A top-level window whose title is exactly title, or null.
HWND FindTopLevelWindow(const CString& title);
int ShowMessageBoxNow(HWND owner, const CString& text, const CString& caption, UINT type);
// Width and height of text drawn with the font selected into hDC, measured on its UTF-16 form.
SIZE TextExtent(HDC hDC, const CString& text);

} // namespace win32
