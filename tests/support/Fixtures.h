// The test kit's registry and file fixtures, with the program's code page 932 texts beside them.
#pragma once

#include "framework/String.h"
#include "testkit/Fixtures.h"

namespace fixture {

std::wstring FromCp932(const CString& text);
CString ToCp932(const std::wstring& text);

// The text with the letters A to Z lower-cased and nothing else, as the survey lower-cases the
// paths it confirms.
std::wstring AsciiLower(std::wstring text);

// The accounts (as SID strings) that the access list of a file or folder lets write to it, delete
// it, or change its permissions or owner; "(unreadable)" when the list cannot be read, "(everyone)"
// when there is none.
std::vector<std::wstring> WhoMayChange(const std::wstring& path);

} // namespace fixture
