// Text output of the demo tools: UTF-8 on the terminal that started them, whatever the code page of
// the process is.
#pragma once

#include <string>
#include <vector>

namespace demo {

// Writes text as UTF-8 to standard output and flushes it.
void Print(const std::wstring& text);
void PrintLine(const std::wstring& text = L"");
// Writes to standard error.
void PrintError(const std::wstring& text);

// The lines of a window text; "\r\n", "\n" and a lone "\r" all end a line.
std::vector<std::wstring> SplitLines(const std::wstring& text);

} // namespace demo
