// File-system calls through the text boundary. Paths are code page 932 texts; they reach the W
// functions in the form FileSystemPath gives (long absolute paths work).
#pragma once

#include "framework/Handles.h"
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

// A file the program makes and writes, and either keeps (Close) or takes back (Discard). The
// destructor closes and keeps it.
class NewFile
{
public:
    // CreateFileW with CREATE_NEW: ERROR_FILE_EXISTS when anything has the name already, a link or
    // a folder included, so nothing is overwritten and no link is followed. A name that opens a
    // device (NUL, CON) instead of a file on a disk fails with ERROR_INVALID_NAME. 0 or the Win32
    // error code.
    [[nodiscard]] DWORD Create(const std::wstring& path);
    // Writes all of data, then FlushFileBuffers, so that a full disk shows here. 0 or the error code.
    [[nodiscard]] DWORD Write(const void* data, size_t size);
    // Sets the delete disposition through the handle and closes it: the file is gone, and whatever
    // has taken its name meanwhile is not touched. Where Windows refuses the disposition, the file
    // stays.
    void Discard();
    void Close() { m_handle.Close(); }

private:
    KernelHandle m_handle;
};

} // namespace win32
