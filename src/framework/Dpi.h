// The display's resolution as Windows 10 1607 and later tell it for each window, and icons at the
// sizes it asks for. The newer functions are looked up at run time: a static import would stop the
// program from starting on Windows 7 and 8.1, where these answer 0 instead.
#pragma once

#include "framework/Handles.h"

#include <windows.h>

namespace win32 {

// The DPI the window is drawn at (its display's, for a per-monitor aware window); 0 when this
// Windows cannot tell.
[[nodiscard]] UINT DpiOfWindow(HWND hWnd);
// What GetSystemMetrics(index) is on a display of dpi; 0 when this Windows cannot tell.
[[nodiscard]] int SystemMetricForDpi(int index, UINT dpi);

// Icon resource id of module at size x size pixels: its image of that size, else a larger one
// scaled down (LoadIconWithScaleDown of common controls 6), else whatever LoadImage makes of it.
// Invalid when size is not positive or the icon cannot be loaded.
[[nodiscard]] OwnedIcon LoadIconOfSize(HINSTANCE module, UINT id, int size);

} // namespace win32
