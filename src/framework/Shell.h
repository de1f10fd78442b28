// Shell folders through the text boundary.
#pragma once

#include "framework/String.h"

namespace win32 {

// SHGetSpecialFolderLocation (no owner window) followed by SHGetPathFromIDList. True with the
// folder's path when both succeed; the identifier list is released in every case.
[[nodiscard]] bool GetSpecialFolderPath(int csidl, CString& path);

} // namespace win32
