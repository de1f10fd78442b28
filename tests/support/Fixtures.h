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

} // namespace fixture
