#include "support/Fixtures.h"

namespace fixture {

std::wstring FromCp932(const CString& text)
{
    return FromCodePage932(std::string(text.GetString(), static_cast<size_t>(text.GetLength())));
}

CString ToCp932(const std::wstring& text)
{
    return CString(ToCodePage932(text));
}

std::wstring AsciiLower(std::wstring text)
{
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

} // namespace fixture
