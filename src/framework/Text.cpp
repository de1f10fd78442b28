#include "framework/Text.h"

#include <vector>

namespace win32 {

std::wstring Widen(const CString& text)
{
    if (text.IsEmpty())
        return std::wstring();
    const int needed =
        MultiByteToWideChar(kProgramCodePage, 0, text.GetString(), text.GetLength(), nullptr, 0);
    std::wstring result(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(kProgramCodePage, 0, text.GetString(), text.GetLength(), result.data(), needed);
    return result;
}

CString Narrow(const wchar_t* text, size_t length, bool* lossy)
{
    if (lossy)
        *lossy = false;
    if (!text || length == 0)
        return CString();
    const int count = static_cast<int>(length);
    // No best-fit mapping: an "é" must not turn into an "e" and name another file.
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    const int needed =
        WideCharToMultiByte(kProgramCodePage, flags, text, count, nullptr, 0, nullptr, &usedDefault);
    std::string result(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(kProgramCodePage, flags, text, count, result.data(), needed, nullptr, nullptr);
    if (lossy)
        *lossy = usedDefault != FALSE;
    return CString(std::move(result));
}

CString Narrow(const std::wstring& text, bool* lossy)
{
    return Narrow(text.data(), text.size(), lossy);
}

CString Narrow(const wchar_t* text, bool* lossy)
{
    return Narrow(text, text ? wcslen(text) : 0, lossy);
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int count = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), count, result.data(), needed, nullptr, nullptr);
    return result;
}

namespace {

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool IsAbsoluteDrivePath(const std::wstring& path)
{
    return path.size() >= 3 &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
           path[1] == L':' && IsSeparator(path[2]);
}

bool IsUncPath(const std::wstring& path)
{
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != L'?' &&
           path[2] != L'.';
}

std::wstring FullPath(const std::wstring& path)
{
    DWORD size = MAX_PATH;
    for (;;) {
        std::vector<wchar_t> buffer(size);
        const DWORD length = GetFullPathNameW(path.c_str(), size, buffer.data(), nullptr);
        if (length == 0)
            return path;
        if (length < size)
            return std::wstring(buffer.data(), length);
        size = length + 1;
    }
}

} // namespace

std::wstring FileSystemPath(const CString& path)
{
    return FileSystemPath(Widen(path));
}

bool EqualIgnoringCase(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength)
{
    return CompareStringOrdinal(a, static_cast<int>(aLength), b, static_cast<int>(bLength), TRUE) ==
           CSTR_EQUAL;
}

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return EqualIgnoringCase(a.c_str(), a.size(), b.c_str(), b.size());
}

std::wstring FileSystemPath(const std::wstring& wide)
{
    if (IsAbsoluteDrivePath(wide))
        return L"\\\\?\\" + FullPath(wide);
    if (IsUncPath(wide))
        return L"\\\\?\\UNC\\" + FullPath(wide).substr(2);
    return wide;
}

CString FullPathName(const CString& path)
{
    if (path.IsEmpty())
        return path;
    return Narrow(FullPath(Widen(path)));
}

} // namespace win32
