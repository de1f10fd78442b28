#include "framework/UserText.h"

#include "framework/Text.h"

#include <vector>

namespace win32 {

CString WindowText(HWND hWnd)
{
    const int length = GetWindowTextLengthW(hWnd);
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int copied = GetWindowTextW(hWnd, buffer.data(), length + 1);
    return Narrow(buffer.data(), static_cast<size_t>(copied));
}

void SetWindowTextOf(HWND hWnd, const CString& text)
{
    SetWindowTextW(hWnd, Widen(text).c_str());
}

HWND FindTopLevelWindow(const CString& title)
{
    return FindWindowW(nullptr, Widen(title).c_str());
}

int ShowMessageBoxNow(HWND owner, const CString& text, const CString& caption, UINT type)
{
    return MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), type);
}

SIZE TextExtent(HDC hDC, const CString& text)
{
    const std::wstring wide = Widen(text);
    SIZE size = {0, 0};
    GetTextExtentPoint32W(hDC, wide.c_str(), static_cast<int>(wide.size()), &size);
    return size;
}

} // namespace win32
