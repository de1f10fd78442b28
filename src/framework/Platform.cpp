#include "framework/Platform.h"

#include "framework/Handles.h"

#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <vector>

namespace {

std::atomic<const PlatformAnswers*> g_answers{nullptr};

int QueryWindowsNT()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info))
        return 0;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
}

// The token that decides: the thread's own when it impersonates, else the process's.
bool OpenCallerToken(win32::KernelHandle& token)
{
    HANDLE handle = nullptr;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &handle)) {
        token.Reset(handle);
        return true;
    }
    if (GetLastError() != ERROR_NO_TOKEN)
        return false;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &handle))
        return false;
    token.Reset(handle);
    return true;
}

int QueryAdministrator()
{
    win32::KernelHandle token;
    if (!OpenCallerToken(token))
        return 0;

    DWORD needed = 0;
    if (GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &needed) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return 0;
    // Whole pointer-sized units keep the group list aligned for its SID pointers.
    const size_t units = (needed + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR);
    std::vector<ULONG_PTR> buffer(units);
    if (!GetTokenInformation(token.Get(), TokenGroups, buffer.data(), needed, &needed))
        return 0;

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    win32::AllocatedSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                  0, 0, 0, 0, administrators.Receive()))
        return 0;

    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (EqualSid(groups->Groups[i].Sid, administrators.Get()))
            return 1;
    }
    return 0;
}

int QueryWow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? 1 : 0;
}

} // namespace

std::wstring CurrentAccountName()
{
    win32::KernelHandle token;
    if (!OpenCallerToken(token))
        return std::wstring();
    DWORD needed = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &needed);
    const size_t units = (needed + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR);
    std::vector<ULONG_PTR> buffer(units);
    if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), needed, &needed))
        return std::wstring();
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    wchar_t name[256] = {};
    wchar_t domain[256] = {};
    DWORD nameLength = 256;
    DWORD domainLength = 256;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, user->User.Sid, name, &nameLength, domain, &domainLength, &use))
        return std::wstring();
    return domainLength ? std::wstring(domain) + L"\\" + name : std::wstring(name);
}

bool WriteRedirectedStdOut(const std::string& bytes)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE)
        return false;
    const DWORD type = GetFileType(out);
    if (type != FILE_TYPE_DISK && type != FILE_TYPE_PIPE)
        return false;
    DWORD written = 0;
    return WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::vector<std::wstring> RunningProgramPaths()
{
    std::vector<std::wstring> paths;
    win32::KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid())
        return paths;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        win32::KernelHandle process(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        if (!process.IsValid())
            continue;
        std::vector<wchar_t> buffer(32768);
        DWORD length = static_cast<DWORD>(buffer.size());
        if (QueryFullProcessImageNameW(process.Get(), 0, buffer.data(), &length))
            paths.emplace_back(buffer.data(), length);
    }
    return paths;
}

int IsWindowsNT()
{
    const PlatformAnswers* answers = g_answers.load();
    return answers ? answers->isWindowsNT() : QueryWindowsNT();
}

int IsAdministrator()
{
    const PlatformAnswers* answers = g_answers.load();
    return answers ? answers->isAdministrator() : QueryAdministrator();
}

int IsWow64()
{
    const PlatformAnswers* answers = g_answers.load();
    return answers && answers->isWow64 ? answers->isWow64() : QueryWow64();
}

void SetPlatformAnswers(const PlatformAnswers* answers)
{
    g_answers.store(answers);
}
