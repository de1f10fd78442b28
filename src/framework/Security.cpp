#include "framework/Security.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace win32 {

namespace {

// A security descriptor from its text form, released with LocalFree.
class SecurityDescriptor
{
public:
    explicit SecurityDescriptor(const wchar_t* text)
    {
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &m_sd, nullptr))
            m_sd = nullptr;
    }
    ~SecurityDescriptor() { LocalFree(m_sd); }
    SecurityDescriptor(const SecurityDescriptor&) = delete;
    SecurityDescriptor& operator=(const SecurityDescriptor&) = delete;

    SECURITY_ATTRIBUTES* Attributes()
    {
        m_attributes = {sizeof(m_attributes), m_sd, FALSE};
        return m_sd ? &m_attributes : nullptr;
    }

private:
    PSECURITY_DESCRIPTOR m_sd = nullptr;
    SECURITY_ATTRIBUTES m_attributes = {};
};

// A SID from its text form.
std::vector<BYTE> SidFromText(const wchar_t* text)
{
    PSID sid = nullptr;
    if (!ConvertStringSidToSidW(text, &sid))
        return std::vector<BYTE>();
    const auto* bytes = static_cast<const BYTE*>(sid);
    std::vector<BYTE> copy(bytes, bytes + GetLengthSid(sid));
    LocalFree(sid);
    return copy;
}

std::vector<BYTE> ProcessUserSid()
{
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
        return std::vector<BYTE>();
    KernelHandle token(raw);
    DWORD needed = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &needed);
    std::vector<ULONG_PTR> buffer((needed + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR));
    if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), needed, &needed))
        return std::vector<BYTE>();
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
    const auto* bytes = static_cast<const BYTE*>(sid);
    return std::vector<BYTE>(bytes, bytes + GetLengthSid(sid));
}

// The accounts that may change the system anyway: nothing they can do to a folder gives them more.
// The account this process runs as is one of them: it is the one deleting.
struct TrustedAccounts
{
    std::vector<std::vector<BYTE>> sids;
    std::vector<BYTE> ownerRights = SidFromText(L"S-1-3-4");
    std::vector<BYTE> creatorOwner = SidFromText(L"S-1-3-0");

    TrustedAccounts()
    {
        for (const wchar_t* text : {L"S-1-5-18", L"S-1-5-32-544",
                                    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"})
            sids.push_back(SidFromText(text));
        sids.push_back(ProcessUserSid());
    }

    bool IsTrusted(PSID sid) const
    {
        for (const std::vector<BYTE>& trusted : sids) {
            if (!trusted.empty() && EqualSid(sid, const_cast<BYTE*>(trusted.data())))
                return true;
        }
        return false;
    }
    static bool Is(PSID sid, const std::vector<BYTE>& other)
    {
        return !other.empty() && EqualSid(sid, const_cast<BYTE*>(other.data()));
    }
};

const TrustedAccounts& Trusted()
{
    static const TrustedAccounts accounts;
    return accounts;
}

bool IsAdministratorsOrSystem(PSID sid)
{
    static const std::vector<BYTE> administrators = SidFromText(L"S-1-5-32-544");
    static const std::vector<BYTE> system = SidFromText(L"S-1-5-18");
    return TrustedAccounts::Is(sid, administrators) || TrustedAccounts::Is(sid, system);
}

} // namespace

bool IsChangeableByOthers(HANDLE handle, SE_OBJECT_TYPE type, DWORD rights)
{
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(handle, type, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, &sd) != ERROR_SUCCESS)
        return true;
    struct Release
    {
        PSECURITY_DESCRIPTOR sd;
        ~Release() { LocalFree(sd); }
    } release{sd};

    const TrustedAccounts& trusted = Trusted();
    // The owner may always change the permissions; no list at all lets everyone do anything.
    if (!owner || !trusted.IsTrusted(owner) || !dacl)
        return true;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(dacl, i, &raw))
            return true;
        const auto* header = static_cast<const ACE_HEADER*>(raw);
        if (header->AceFlags & INHERIT_ONLY_ACE)
            continue; // applies to what is created inside, not to this
        if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == ACCESS_DENIED_CALLBACK_ACE_TYPE)
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            return true; // a kind of entry that is not judged here
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
        if (!(ace->Mask & rights))
            continue;
        const PSID sid = const_cast<DWORD*>(&ace->SidStart);
        // "Creator owner" stands for no one on the object itself; "owner rights" for its owner.
        if (TrustedAccounts::Is(sid, trusted.creatorOwner) || TrustedAccounts::Is(sid, trusted.ownerRights))
            continue;
        if (!trusted.IsTrusted(sid))
            return true;
    }
    return false;
}

bool IsChangeableByOthers(const std::wstring& path, DWORD rights)
{
    KernelHandle handle(CreateFileW(
        path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return !handle.IsValid() || IsChangeableByOthers(handle.Get(), SE_FILE_OBJECT, rights);
}

bool CreateAdministratorsFolder(const std::wstring& path)
{
    // Protected from what the folder above would pass down: full control for SYSTEM and
    // Administrators, reading for users.
    SecurityDescriptor sd(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    SECURITY_ATTRIBUTES* attributes = sd.Attributes();
    if (!attributes) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return false;
    }
    return CreateDirectoryW(path.c_str(), attributes) != FALSE;
}

CAdministratorsLock::CAdministratorsLock(const wchar_t* mutexName, const std::wstring& fallbackFile)
{
    SecurityDescriptor owned(L"O:BAD:(A;;GA;;;SY)(A;;GA;;;BA)");
    m_mutex.Reset(CreateMutexW(owned.Attributes(), FALSE, mutexName));
    DWORD error = GetLastError();
    if (!m_mutex.IsValid() && error == ERROR_INVALID_OWNER) {
        // Not elevated: the Administrators group cannot own what this process makes.
        SecurityDescriptor plain(L"D:(A;;GA;;;SY)(A;;GA;;;BA)");
        m_mutex.Reset(CreateMutexW(plain.Attributes(), FALSE, mutexName));
        error = GetLastError();
    }
    if (m_mutex.IsValid() && error != ERROR_ALREADY_EXISTS)
        return;
    if (m_mutex.IsValid()) {
        PSID owner = nullptr;
        PSECURITY_DESCRIPTOR sd = nullptr;
        const bool ours = GetSecurityInfo(m_mutex.Get(), SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                          nullptr, nullptr, nullptr, &sd) == ERROR_SUCCESS &&
                          owner && IsAdministratorsOrSystem(owner);
        LocalFree(sd);
        if (ours) {
            m_bHeldElsewhere = true;
            return;
        }
    }
    // An object of that name that this process may not open, or that another account owns.
    m_mutex.Close();
    m_bForeign = true;
    m_file.Reset(CreateFileW(fallbackFile.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                             OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    m_bHeldElsewhere = !m_file.IsValid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

} // namespace win32
