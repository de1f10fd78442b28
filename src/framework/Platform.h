// The two questions the program asks of the platform before it lets the user act.
#pragma once

// 1 on the Windows NT platform, 0 otherwise (also when the version query fails).
int IsWindowsNT();
// 1 when the built-in Administrators group (S-1-5-32-544) is among the groups of the calling
// thread's token, whatever the group's attributes; 0 otherwise and when any step fails.
int IsAdministrator();

// Test seam: while set, both questions are answered by these functions instead of the platform.
// Set it before any thread that asks starts, and clear it (nullptr) afterwards.
struct PlatformAnswers
{
    int (*isWindowsNT)();
    int (*isAdministrator)();
};
void SetPlatformAnswers(const PlatformAnswers* answers);
