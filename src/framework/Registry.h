// Registry access through the text boundary: key paths and value names are code page 932 texts,
// the W functions do the work.
#pragma once

#include "framework/String.h"

#include <windows.h>

namespace win32 {

class RegKey
{
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // RegOpenKeyEx with options 0; the result is the Win32 error code.
    [[nodiscard]] LONG Open(HKEY root, const CString& path, REGSAM access);
    void Close();
    HKEY Get() const { return m_hKey; }

    // Reads a value the way RegQueryValueExA into a zero-filled buffer of capacity bytes would
    // see it: string data in code page 932, other data as its raw bytes. Fails with
    // ERROR_MORE_DATA when that form, terminating zero included, does not fit the capacity, and
    // with ERROR_NO_UNICODE_TRANSLATION when a text holds characters code page 932 lacks, so a
    // value is never returned cut off or altered. On success text holds the bytes up to the first
    // zero.
    [[nodiscard]] LONG QueryAnsiValue(const CString& name, DWORD capacity, CString& text) const;

private:
    HKEY m_hKey = nullptr;
};

// Deletes the key with all its sub-keys and values, in the registry view given (0, KEY_WOW64_32KEY
// or KEY_WOW64_64KEY). SHDeleteKey takes no view: a 64-bit process would delete the 64-bit view's key
// of that name instead. The result is the Win32 error code.
[[nodiscard]] LONG DeleteKeyTree(HKEY root, const CString& path, REGSAM view = 0);

} // namespace win32
