#include "ScreenShot.h"

#include "Png.h"

#include <algorithm>
#include <cstdint>

namespace demo {

namespace {

// Owns a device context taken from GetDC.
class WindowDc
{
public:
    explicit WindowDc(HWND hWnd) : m_hWnd(hWnd), m_hDc(GetDC(hWnd)) {}
    ~WindowDc()
    {
        if (m_hDc)
            ReleaseDC(m_hWnd, m_hDc);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return m_hDc; }

private:
    HWND m_hWnd;
    HDC m_hDc;
};

// A memory device context with a 32-bit top-down DIB section selected into it.
class MemoryBitmap
{
public:
    MemoryBitmap(HDC compatible, int width, int height) : m_hDc(CreateCompatibleDC(compatible))
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_hBitmap = CreateDIBSection(compatible, &info, DIB_RGB_COLORS, &m_pBits, nullptr, 0);
        if (m_hDc && m_hBitmap)
            m_hPrevious = SelectObject(m_hDc, m_hBitmap);
    }
    ~MemoryBitmap()
    {
        if (m_hPrevious)
            SelectObject(m_hDc, m_hPrevious);
        if (m_hBitmap)
            DeleteObject(m_hBitmap);
        if (m_hDc)
            DeleteDC(m_hDc);
    }
    MemoryBitmap(const MemoryBitmap&) = delete;
    MemoryBitmap& operator=(const MemoryBitmap&) = delete;

    bool Valid() const { return m_hDc && m_hBitmap && m_pBits; }
    HDC Dc() const { return m_hDc; }
    const uint8_t* Bits() const { return static_cast<const uint8_t*>(m_pBits); }

private:
    HDC m_hDc;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hPrevious = nullptr;
    void* m_pBits = nullptr;
};

} // namespace

RECT AreaAround(const std::vector<HWND>& windows, int margin)
{
    RECT area = {};
    bool first = true;
    for (HWND hWnd : windows) {
        RECT r;
        if (!GetWindowRect(hWnd, &r))
            continue;
        if (first) {
            area = r;
            first = false;
        } else {
            UnionRect(&area, &area, &r);
        }
    }
    InflateRect(&area, margin, margin);
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (first) // nothing to frame: the whole screen
        return screen;
    IntersectRect(&area, &area, &screen);
    return area;
}

bool SaveScreenArea(const RECT& area, const std::wstring& pngPath)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;

    WindowDc screen(nullptr);
    if (!screen.Get())
        return false;
    MemoryBitmap bitmap(screen.Get(), width, height);
    if (!bitmap.Valid())
        return false;
    if (!BitBlt(bitmap.Dc(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY | CAPTUREBLT))
        return false;
    GdiFlush();

    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    const uint8_t* src = bitmap.Bits();
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
        rgb[i * 3] = src[i * 4 + 2];
        rgb[i * 3 + 1] = src[i * 4 + 1];
        rgb[i * 3 + 2] = src[i * 4];
    }
    return WritePng(pngPath, width, height, rgb);
}

} // namespace demo
