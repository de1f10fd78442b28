// What the program asks of the platform about the process it runs in: the platform family, the
// caller's rights and account, and whether another copy of the program runs.
#pragma once

#include "framework/Handles.h"

#include <string>
#include <vector>

// 1 on the Windows NT platform, 0 otherwise (also when the version query fails).
int IsWindowsNT();
// 1 when the built-in Administrators group (S-1-5-32-544) is among the groups of the calling
// thread's token, whatever the group's attributes; 0 otherwise and when any step fails.
int IsAdministrator();

// 1 when this is a 32-bit process on 64-bit Windows (WOW64), where it sees the 32-bit registry
// view, the x86 Program Files folder and a redirected System32; 0 otherwise, always in a 64-bit
// build, and when the question cannot be answered.
int IsWow64();

// Test seam: while set, the questions are answered by these functions instead of the platform (a
// null isWow64 leaves that one to the platform). Set it before any thread that asks starts, and
// clear it (nullptr) afterwards.
struct PlatformAnswers
{
    int (*isWindowsNT)();
    int (*isAdministrator)();
    int (*isWow64)();
};
void SetPlatformAnswers(const PlatformAnswers* answers);

// "DOMAIN\user" of the calling thread's token; empty when it cannot be told.
std::wstring CurrentAccountName();

// Writes bytes to the standard output the process was given, when it was given one that is not a
// console (a GUI program writes only where its output was redirected). False when nothing was written.
bool WriteRedirectedStdOut(const std::string& bytes);

// The full path of every running process's program file that this process may ask about, in
// every session (FindWindow sees only its own desktop's windows).
std::vector<std::wstring> RunningProgramPaths();
