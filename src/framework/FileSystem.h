// File-system calls through the text boundary. Paths are code page 932 texts; they reach the W
// functions in the form FileSystemPath gives (long absolute paths work).
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <string>

namespace win32 {

// INVALID_FILE_ATTRIBUTES when the path names nothing.
DWORD FileAttributes(const CString& path);
[[nodiscard]] bool RemoveFolder(const CString& path);
// Asks Windows to delete path (a file, or a folder that will then be empty) at the next restart,
// in the order the requests were made. Needs administrator rights.
[[nodiscard]] bool DeleteAtRestart(const std::wstring& path);
HANDLE FindFirst(const CString& pattern, WIN32_FIND_DATAW& data);

} // namespace win32
