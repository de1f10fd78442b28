#include "Console.h"

#include <windows.h>

namespace demo {

namespace {

void WriteUtf8(DWORD handleId, const std::wstring& text)
{
    const HANDLE out = GetStdHandle(handleId);
    if (out == nullptr || out == INVALID_HANDLE_VALUE || text.empty())
        return;
    DWORD mode = 0;
    if (GetConsoleMode(out, &mode)) {
        // A real console takes UTF-16 as it is.
        DWORD written = 0;
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    DWORD written = 0;
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace

void Print(const std::wstring& text)
{
    WriteUtf8(STD_OUTPUT_HANDLE, text);
}

void PrintLine(const std::wstring& text)
{
    WriteUtf8(STD_OUTPUT_HANDLE, text + L"\n");
}

void PrintError(const std::wstring& text)
{
    WriteUtf8(STD_ERROR_HANDLE, text + L"\n");
}

std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

} // namespace demo
