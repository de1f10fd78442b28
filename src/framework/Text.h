// The text boundary. The program's texts are code page 932 bytes (CString); Windows is called
// through its W functions with UTF-16. Every conversion between the two happens here, with code
// page 932 named explicitly, so the program behaves the same whatever the system's ANSI code
// page is (932, 1252 or 65001).
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <string>

namespace win32 {

constexpr UINT kProgramCodePage = 932;

std::wstring Widen(const CString& text);

// Converts UTF-16 to code page 932. Characters that code page 932 cannot hold become '?' (never a
// look-alike letter); when lossy is given it tells whether that happened.
CString Narrow(const wchar_t* text, size_t length, bool* lossy = nullptr);
CString Narrow(const std::wstring& text, bool* lossy = nullptr);
CString Narrow(const wchar_t* text, bool* lossy = nullptr);

// UTF-16 to UTF-8, for what the program writes for other programs to read (its log, its output).
std::string ToUtf8(const std::wstring& text);

// The form of a path handed to the file-system W functions. An absolute drive path ("C:\...")
// or UNC path is normalised (".", "..", "/" resolved) and given the "\\?\" prefix, which lifts
// the MAX_PATH limit; any other path is only converted.
std::wstring FileSystemPath(const CString& path);
std::wstring FileSystemPath(const std::wstring& path);

// Whether two UTF-16 texts are equal with letter case ignored as the file system and the registry
// ignore it (CompareStringOrdinal), whatever the user's locale.
[[nodiscard]] bool EqualIgnoringCase(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength);
[[nodiscard]] bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b);

// GetFullPathName: the absolute form of path, with ".", ".." and "/" resolved.
CString FullPathName(const CString& path);

} // namespace win32
