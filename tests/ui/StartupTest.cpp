#include "framework/Platform.h"
#include "app/SeriesCleanApp.h"
#include "support/MessageBoxRecorder.h"
#include "support/PlatformSeam.h"

#include <gtest/gtest.h>

namespace {

const char kInfoText[] = "実行する前に、\nすべてのWindowsプログラムを終了することを推奨します。";
const char kAdminText[] = "管理者権限が必要です。\n管理者権限のあるユーザーで再度実行してください。";

// Answers the information box and then ends the dialog as a user pressing Esc would.
int AnswerAndLeave(const RecordedBox& box)
{
    PostMessageW(box.owner, WM_COMMAND, IDCANCEL, 0);
    return IDOK;
}

} // namespace

TEST(StartupTest, StandardUserOnNtGetsTheErrorThenTheInformationAndTheRunEnds)
{
    ScopedPlatform platform(1, 0);
    MessageBoxRecorder boxes;
    theApp.InitInstance();

    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(boxes.At(0).text, CString(kAdminText));
    EXPECT_EQ(boxes.At(0).type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(boxes.At(0).caption, CString("ルミナGOシリーズの削除"));
    EXPECT_NE(boxes.At(0).owner, nullptr);
    EXPECT_EQ(boxes.At(1).text, CString(kInfoText));
    EXPECT_EQ(boxes.At(1).type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(ScopedPlatform::AdminAsked(), 1);
}

TEST(StartupTest, OutsideNtTheAdministratorCheckIsNotMade)
{
    ScopedPlatform platform(0, 0);
    MessageBoxRecorder boxes;
    boxes.QueueAnswer(AnswerAndLeave);
    theApp.InitInstance();

    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.At(0).text, CString(kInfoText));
    EXPECT_EQ(ScopedPlatform::AdminAsked(), 0);
    EXPECT_GE(ScopedPlatform::NtAsked(), 1);
}

TEST(StartupTest, AdministratorOnNtSeesOnlyTheInformation)
{
    ScopedPlatform platform(1, 1);
    MessageBoxRecorder boxes;
    boxes.QueueAnswer(AnswerAndLeave);
    theApp.InitInstance();

    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.At(0).text, CString(kInfoText));
    EXPECT_EQ(ScopedPlatform::AdminAsked(), 1);
}

// Wine runs programs as a member of the Administrators group, on the NT platform.
TEST(PlatformQueryTest, RealQueriesOnThisSystem)
{
    EXPECT_EQ(IsWindowsNT(), 1);
    EXPECT_EQ(IsAdministrator(), 1);
}

TEST(PlatformQueryTest, ImpersonationTokenWithDenyOnlyAdministratorsStillPasses)
{
    HANDLE process = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process));
    // The Administrators group made deny-only still counts: the group attributes are not read.
    BYTE sidBuffer[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof(sidBuffer);
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sidBuffer, &sidSize));
    SID_AND_ATTRIBUTES disable = {sidBuffer, 0};
    HANDLE restricted = nullptr;
    ASSERT_TRUE(CreateRestrictedToken(process, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted));
    HANDLE impersonation = nullptr;
    ASSERT_TRUE(DuplicateToken(restricted, SecurityImpersonation, &impersonation));
    ASSERT_TRUE(SetThreadToken(nullptr, impersonation));
    EXPECT_EQ(IsAdministrator(), 1);
    RevertToSelf();
    CloseHandle(impersonation);
    CloseHandle(restricted);
    CloseHandle(process);
}
