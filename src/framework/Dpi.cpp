#include "framework/Dpi.h"

#include <commctrl.h>

namespace win32 {

namespace {

template <class Call> Call Find(const wchar_t* module, const char* name)
{
    const HMODULE loaded = GetModuleHandleW(module);
    return loaded ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(loaded, name))) : nullptr;
}

} // namespace

UINT DpiOfWindow(HWND hWnd)
{
    using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
    static const auto getDpi = Find<GetDpiForWindowCall>(L"user32.dll", "GetDpiForWindow");
    return getDpi ? getDpi(hWnd) : 0;
}

int SystemMetricForDpi(int index, UINT dpi)
{
    using GetSystemMetricsForDpiCall = int(WINAPI*)(int, UINT);
    static const auto getMetric = Find<GetSystemMetricsForDpiCall>(L"user32.dll", "GetSystemMetricsForDpi");
    return getMetric && dpi != 0 ? getMetric(index, dpi) : 0;
}

OwnedIcon LoadIconOfSize(HINSTANCE module, UINT id, int size)
{
    if (size <= 0)
        return OwnedIcon();
    // Common controls 6, which the manifest asks for, is the comctl32 loaded in this process.
    using LoadIconWithScaleDownCall = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    static const auto scaleDown = Find<LoadIconWithScaleDownCall>(L"comctl32.dll", "LoadIconWithScaleDown");
    HICON icon = nullptr;
    if (scaleDown && SUCCEEDED(scaleDown(module, MAKEINTRESOURCEW(id), size, size, &icon)) && icon)
        return OwnedIcon(icon);
    return OwnedIcon(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
}

} // namespace win32
