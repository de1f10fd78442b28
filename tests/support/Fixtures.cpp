#include "support/Fixtures.h"

#include <aclapi.h>
#include <sddl.h>

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

std::vector<std::wstring> WhoMayChange(const std::wstring& path)
{
    constexpr DWORD kChange = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                              FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                              GENERIC_ALL;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &dacl, nullptr, &sd) != ERROR_SUCCESS)
        return {L"(unreadable)"};
    std::vector<std::wstring> accounts;
    if (!dacl)
        accounts.push_back(L"(everyone)");
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(dacl, i, &raw))
            continue;
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || (ace->Header.AceFlags & INHERIT_ONLY_ACE) ||
            !(ace->Mask & kChange))
            continue;
        wchar_t* sid = nullptr;
        if (ConvertSidToStringSidW(const_cast<DWORD*>(&ace->SidStart), &sid)) {
            accounts.push_back(sid);
            LocalFree(sid);
        }
    }
    LocalFree(sd);
    return accounts;
}

} // namespace fixture
