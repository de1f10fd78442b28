// Registry access through the text boundary: key paths and value names are code page 932 texts,
// the W functions do the work. What reads keys whole (names and raw data, for copying them) takes
// UTF-16 instead, so that nothing is lost in a conversion.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <string>
#include <vector>

namespace win32 {

// One value as RegEnumValueW gives it: its type and data bytes as stored, unconverted.
struct RegValue
{
    std::wstring name; // empty for the default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

class RegKey
{
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // RegOpenKeyEx with options 0; the result is the Win32 error code.
    [[nodiscard]] LONG Open(HKEY root, const CString& path, REGSAM access);
    // RegOpenKeyExW with options: REG_OPTION_OPEN_LINK opens a registry link as the link key itself
    // (its only value is its target) instead of the key it leads to; links on the way to the last
    // name are still followed. parent is a root or an open key.
    [[nodiscard]] LONG Open(HKEY parent, const std::wstring& path, DWORD options, REGSAM access);
    void Close();
    HKEY Get() const { return m_hKey; }

    // Reads a value the way RegQueryValueExA into a zero-filled buffer of capacity bytes would
    // see it: string data in code page 932, other data as its raw bytes. Fails with
    // ERROR_MORE_DATA when that form, terminating zero included, does not fit the capacity, and
    // with ERROR_NO_UNICODE_TRANSLATION when a text holds characters code page 932 lacks, so a
    // value is never returned cut off or altered. On success text holds the bytes up to the first
    // zero.
    [[nodiscard]] LONG QueryAnsiValue(const CString& name, DWORD capacity, CString& text) const;

    // The names of the key's sub-keys (the key opened with KEY_ENUMERATE_SUB_KEYS and
    // KEY_QUERY_VALUE), and its values with their raw types and data (KEY_QUERY_VALUE), in the
    // order the enumeration gives them. A name or data that grew since the key was measured is
    // read again. The result is the Win32 error code; on failure the list is empty.
    [[nodiscard]] LONG EnumSubKeyNames(std::vector<std::wstring>& names) const;
    [[nodiscard]] LONG EnumValues(std::vector<RegValue>& values) const;

private:
    HKEY m_hKey = nullptr;
};

// SHDeleteKey: deletes the key with all its sub-keys and values.
[[nodiscard]] LONG DeleteKeyTree(HKEY root, const CString& path);

} // namespace win32
