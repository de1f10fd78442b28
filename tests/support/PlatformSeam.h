// Answers the NT, administrator and WOW64 questions for the duration of a test, and counts the asks.
#pragma once

#include "framework/Platform.h"

#include <atomic>

class ScopedPlatform
{
public:
    ScopedPlatform(int windowsNT, int administrator, int wow64 = 0)
    {
        s_windowsNT = windowsNT;
        s_administrator = administrator;
        s_wow64 = wow64;
        s_ntAsked = 0;
        s_adminAsked = 0;
        SetPlatformAnswers(&kAnswers);
    }
    ~ScopedPlatform() { SetPlatformAnswers(nullptr); }
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

    static int NtAsked() { return s_ntAsked; }
    static int AdminAsked() { return s_adminAsked; }

private:
    static int AnswerNT()
    {
        ++s_ntAsked;
        return s_windowsNT;
    }
    static int AnswerAdmin()
    {
        ++s_adminAsked;
        return s_administrator;
    }
    static int AnswerWow64() { return s_wow64; }

    static inline std::atomic<int> s_windowsNT{1};
    static inline std::atomic<int> s_administrator{1};
    static inline std::atomic<int> s_wow64{0};
    static inline std::atomic<int> s_ntAsked{0};
    static inline std::atomic<int> s_adminAsked{0};
    static inline const PlatformAnswers kAnswers{&ScopedPlatform::AnswerNT, &ScopedPlatform::AnswerAdmin,
                                                 &ScopedPlatform::AnswerWow64};
};
