// Registry access through the text boundary: key paths and value names are code page 932 texts,
// the W functions do the work. Keys and data that other software wrote about users (profile
// folders, SIDs), and what reads keys whole (names and raw data, for copying them), take UTF-16
// instead: a user's name need not fit code page 932, and nothing is lost in a conversion.
#pragma once

#include "framework/Handles.h"
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
    // RegOpenKeyEx with options 0; the result is the Win32 error code.
    [[nodiscard]] LONG Open(HKEY root, const CString& path, REGSAM access);
    [[nodiscard]] LONG Open(HKEY root, const std::wstring& path, REGSAM access);
    // RegOpenKeyExW with options: REG_OPTION_OPEN_LINK opens a registry link as the link key itself
    // (its only value is its target) instead of the key it leads to; links on the way to the last
    // name are still followed. parent is a root or an open key.
    [[nodiscard]] LONG Open(HKEY parent, const std::wstring& path, DWORD options, REGSAM access);
    void Close();
    HKEY Get() const { return m_key.Get(); }

    // Reads a value the way RegQueryValueExA into a zero-filled buffer of capacity bytes would
    // see it: string data in code page 932, other data as its raw bytes. Fails with
    // ERROR_MORE_DATA when that form, terminating zero included, does not fit the capacity, and
    // with ERROR_NO_UNICODE_TRANSLATION when a text holds characters code page 932 lacks, so a
    // value is never returned cut off or altered. On success text holds the bytes up to the first
    // zero.
    [[nodiscard]] LONG QueryAnsiValue(const CString& name, DWORD capacity, CString& text) const;

    // A REG_SZ or REG_EXPAND_SZ value up to its first zero, not expanded; expandable tells which.
    // ERROR_UNSUPPORTED_TYPE for data of any other type.
    [[nodiscard]] LONG QueryString(const std::wstring& name, std::wstring& text, bool& expandable) const;

    // The name of the sub-key at index; ERROR_NO_MORE_ITEMS past the last.
    [[nodiscard]] LONG EnumKeyName(DWORD index, std::wstring& name) const;
    // The names of the key's sub-keys (the key opened with KEY_ENUMERATE_SUB_KEYS and
    // KEY_QUERY_VALUE), and its values with their raw types and data (KEY_QUERY_VALUE), in the
    // order the enumeration gives them. A name or data that grew since the key was measured is
    // read again. The result is the Win32 error code; on failure the list is empty.
    [[nodiscard]] LONG EnumSubKeyNames(std::vector<std::wstring>& names) const;
    [[nodiscard]] LONG EnumValues(std::vector<RegValue>& values) const;

    // A key opened with REG_OPTION_OPEN_LINK that is a registry link: its SymbolicLinkValue is of
    // type REG_LINK (the key opened with KEY_QUERY_VALUE).
    [[nodiscard]] bool IsLink() const;

private:
    RegistryKeyHandle m_key;
};

// Deletes the key with all its sub-keys and values, in the registry view given (0, KEY_WOW64_32KEY
// or KEY_WOW64_64KEY). SHDeleteKey takes no view: a 64-bit process would delete the 64-bit view's key
// of that name instead. A registry link is never followed: the path is opened one name at a time,
// a link met inside the tree, or as the key itself, is deleted as the link, and a link on the way
// to the key (what the path names lies elsewhere) deletes nothing and gives
// ERROR_CANT_RESOLVE_FILENAME. Whoever can write in a user's hive or in a product's key could
// otherwise have the program delete a tree anywhere in the registry. The result is the Win32 error
// code; ERROR_FILE_NOT_FOUND when a name on the way does not exist.
[[nodiscard]] LONG DeleteKeyTree(HKEY root, const CString& path, REGSAM view = 0);

// ExpandEnvironmentStringsW with the process's environment; false when it fails. A variable that
// is not set stays as written.
[[nodiscard]] bool ExpandEnvironment(const std::wstring& text, std::wstring& expanded);

// RegLoadKeyW of a hive file as root\name, and RegUnLoadKeyW of it. Both need the backup and
// restore privileges: they are enabled on a copy of the caller's token that the calling thread
// wears for the call only, so the process token, and what other threads may open with backup
// semantics meanwhile, never changes. The result is the Win32 error code.
[[nodiscard]] LONG LoadHive(HKEY root, const std::wstring& name, const std::wstring& file);
[[nodiscard]] LONG UnloadHive(HKEY root, const std::wstring& name);

} // namespace win32
