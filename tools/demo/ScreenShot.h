// Pictures of the screen, read back with GDI from the screen's device context.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace demo {

// The smallest rectangle holding all these windows, with a margin, clipped to the screen.
RECT AreaAround(const std::vector<HWND>& windows, int margin = 16);

// Saves this part of the screen as a PNG file; false when the screen cannot be read or the file
// cannot be written.
bool SaveScreenArea(const RECT& area, const std::wstring& pngPath);

} // namespace demo
