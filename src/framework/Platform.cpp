#include "framework/Platform.h"

#include "framework/Handles.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <new>

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
    std::unique_ptr<ULONG_PTR[]> buffer(new (std::nothrow) ULONG_PTR[units]);
    if (!buffer)
        return 0;
    if (!GetTokenInformation(token.Get(), TokenGroups, buffer.get(), needed, &needed))
        return 0;

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    win32::AllocatedSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                  0, 0, 0, 0, administrators.Receive()))
        return 0;

    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.get());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (EqualSid(groups->Groups[i].Sid, administrators.Get()))
            return 1;
    }
    return 0;
}

} // namespace

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

void SetPlatformAnswers(const PlatformAnswers* answers)
{
    g_answers.store(answers);
}
