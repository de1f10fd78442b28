#include "support/DialogHarness.h"
#include "support/Fixtures.h"
#include "support/MessageBoxRecorder.h"
#include "support/PlatformSeam.h"
#include "testkit/ProgramWindows.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

using drive::TextOf;

int BarPos(HWND bar)
{
    return static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
}

int BarUpper(HWND bar)
{
    return static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
}

class DialogProtocolTest : public testing::Test
{
protected:
    ScopedPlatform m_platform{1, 1};
    MessageBoxRecorder m_boxes;
    DialogHarness m_dialog;
};

} // namespace

TEST_F(DialogProtocolTest, InitialisationLeavesTheDialogIdle)
{
    // The texts and states of the controls are checked end to end, on the real program.
    HWND dlg = m_dialog.Window();
    EXPECT_EQ(TextOf(m_dialog.Control(IDC_STATUS1)), L"");
    EXPECT_EQ(TextOf(m_dialog.Control(IDC_STATUS2)), L"");
    EXPECT_EQ(TextOf(m_dialog.Control(IDC_INFO)), L"");

    ASSERT_EQ(m_boxes.Count(), 1u);
    const RecordedBox info = m_boxes.At(0);
    EXPECT_EQ(info.text, CString("実行する前に、\nすべてのWindowsプログラムを終了することを推奨します。"));
    EXPECT_EQ(info.caption, CString("ルミナGOシリーズの削除"));
    EXPECT_EQ(info.type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(info.owner, dlg);
}

TEST_F(DialogProtocolTest, ProgressMessagesActOnTheBarTheirLParamSelects)
{
    HWND bar1 = m_dialog.Control(IDC_PROGRESS1);
    HWND bar2 = m_dialog.Control(IDC_PROGRESS2);
    HWND dlg = m_dialog.Window();

    PostMessageW(dlg, UM_PROGRESS_RANGE, 5, 1);
    PostMessageW(dlg, UM_PROGRESS_RANGE, 300, 2);
    PostMessageW(dlg, UM_PROGRESS_POS, 3, 1);
    PostMessageW(dlg, UM_PROGRESS_POS, 120, 2);
    m_dialog.Flush();
    EXPECT_EQ(BarUpper(bar1), 5);
    EXPECT_EQ(BarUpper(bar2), 300);
    EXPECT_EQ(BarPos(bar1), 3);
    EXPECT_EQ(BarPos(bar2), 120);

    // Every selector but 1 means bar 2.
    PostMessageW(dlg, UM_PROGRESS_POS, 140, 0);
    m_dialog.Flush();
    EXPECT_EQ(BarPos(bar2), 140);
    PostMessageW(dlg, UM_PROGRESS_POS, 150, 7);
    PostMessageW(dlg, UM_PROGRESS_RANGE, 400, 0);
    m_dialog.Flush();
    EXPECT_EQ(BarPos(bar2), 150);
    EXPECT_EQ(BarUpper(bar2), 400);
    EXPECT_EQ(BarPos(bar1), 3);
    EXPECT_EQ(BarUpper(bar1), 5);

    // The range fills when the position reaches its bound.
    PostMessageW(dlg, UM_PROGRESS_POS, 5, 1);
    m_dialog.Flush();
    EXPECT_EQ(BarPos(bar1), BarUpper(bar1));
}

TEST_F(DialogProtocolTest, ShowAndHideActOnTheSelectedBar)
{
    HWND dlg = m_dialog.Window();
    PostMessageW(dlg, UM_SHOW_PROGRESS, 0, 1);
    m_dialog.Flush();
    EXPECT_TRUE(IsWindowVisible(m_dialog.Control(IDC_PROGRESS1)));
    EXPECT_FALSE(IsWindowVisible(m_dialog.Control(IDC_PROGRESS2)));
    PostMessageW(dlg, UM_SHOW_PROGRESS, 0, 0);
    m_dialog.Flush();
    EXPECT_TRUE(IsWindowVisible(m_dialog.Control(IDC_PROGRESS2)));
    PostMessageW(dlg, UM_HIDE_PROGRESS, 0, 2);
    m_dialog.Flush();
    EXPECT_TRUE(IsWindowVisible(m_dialog.Control(IDC_PROGRESS1)));
    EXPECT_FALSE(IsWindowVisible(m_dialog.Control(IDC_PROGRESS2)));
    PostMessageW(dlg, UM_HIDE_PROGRESS, 0, 1);
    m_dialog.Flush();
    EXPECT_FALSE(IsWindowVisible(m_dialog.Control(IDC_PROGRESS1)));
}

TEST_F(DialogProtocolTest, CancelButtonFollowsItsMessages)
{
    HWND cancel = m_dialog.Control(IDC_CANCEL_REMOVAL);
    PostMessageW(m_dialog.Window(), UM_ENABLE_CANCEL, 0, 0);
    m_dialog.Flush();
    EXPECT_TRUE(IsWindowEnabled(cancel));
    PostMessageW(m_dialog.Window(), UM_DISABLE_CANCEL, 0, 0);
    m_dialog.Flush();
    EXPECT_FALSE(IsWindowEnabled(cancel));
}

TEST_F(DialogProtocolTest, StatusTextCopiesTheJobTextIntoTheSelectedLine)
{
    HWND dlg = m_dialog.Window();
    m_dialog.Dialog().m_job.m_strStatus = "ショートカット（スタートメニュー）の削除";
    SendMessageW(dlg, UM_STATUS_TEXT, 0, 1);
    EXPECT_EQ(TextOf(m_dialog.Control(IDC_STATUS1)), L"ショートカット（スタートメニュー）の削除");
    EXPECT_EQ(TextOf(m_dialog.Control(IDC_STATUS2)), L"");

    m_dialog.Dialog().m_job.m_strStatus = "削除フォルダ: C:\\Program Files\\表示";
    SendMessageW(dlg, UM_STATUS_TEXT, 0, 2);
    EXPECT_EQ(TextOf(m_dialog.Control(IDC_STATUS2)), L"削除フォルダ: C:\\Program Files\\表示");
    EXPECT_EQ(TextOf(m_dialog.Control(IDC_STATUS1)), L"ショートカット（スタートメニュー）の削除");

    m_dialog.Dialog().m_job.m_strStatus.Empty();
    SendMessageW(dlg, UM_STATUS_TEXT, 0, 0);
    EXPECT_EQ(TextOf(m_dialog.Control(IDC_STATUS2)), L"");
    EXPECT_EQ(TextOf(m_dialog.Control(IDC_STATUS1)), L"ショートカット（スタートメニュー）の削除");
}

TEST_F(DialogProtocolTest, AStreamOfProgressIsDrawnAtItsEndAndLeavesHiddenBarsHidden)
{
    // Line 2 and bar 2 are drawn at a readable pace, not per message: what the messages set must
    // still be there at once, come back on screen, and a hide must not be undone by a late redraw.
    HWND dlg = m_dialog.Window();
    HWND line2 = m_dialog.Control(IDC_STATUS2);
    HWND bar2 = m_dialog.Control(IDC_PROGRESS2);
    PostMessageW(dlg, UM_PROGRESS_RANGE, 500, 2);
    PostMessageW(dlg, UM_SHOW_PROGRESS, 0, 2);
    for (int i = 1; i <= 300; ++i) {
        m_dialog.Dialog().m_job.m_strStatus.Format("削除フォルダ: C:\\地図\\%d", i);
        SendMessageW(dlg, UM_STATUS_TEXT, 0, 2);
        PostMessageW(dlg, UM_PROGRESS_POS, static_cast<WPARAM>(i), 2);
    }
    EXPECT_EQ(TextOf(line2), L"削除フォルダ: C:\\地図\\300");
    m_dialog.Flush();
    EXPECT_EQ(BarPos(bar2), 300);
    EXPECT_TRUE(fixture::WaitUntil([&] { return IsWindowVisible(line2) && IsWindowVisible(bar2); }, 3000));

    PostMessageW(dlg, UM_PROGRESS_POS, 310, 2);
    PostMessageW(dlg, UM_HIDE_PROGRESS, 0, 2);
    m_dialog.Flush();
    EXPECT_FALSE(IsWindowVisible(bar2));
    Sleep(600); // past two ticks of the repaint timer
    EXPECT_FALSE(IsWindowVisible(bar2));
    EXPECT_EQ(BarPos(bar2), 310);
}

TEST_F(DialogProtocolTest, CancelButtonOnlyRaisesTheFlag)
{
    EnableWindow(m_dialog.Control(IDC_CANCEL_REMOVAL), TRUE);
    ASSERT_EQ(m_dialog.Dialog().m_job.m_bCancel.load(), 0);
    m_dialog.Click(IDC_CANCEL_REMOVAL);
    m_dialog.Flush();
    EXPECT_EQ(m_dialog.Dialog().m_job.m_bCancel.load(), 1);
    EXPECT_TRUE(IsWindowEnabled(m_dialog.Control(IDC_CANCEL_REMOVAL)));
    EXPECT_FALSE(m_dialog.Ended());
    EXPECT_EQ(m_boxes.Count(), 1u) << "no box but the information box";
}

TEST_F(DialogProtocolTest, SelectionEnablesDeleteAndSelectionCancelDisablesIt)
{
    HWND list = m_dialog.Control(IDC_PRODUCT_LIST);
    HWND del = m_dialog.Control(IDC_DELETE);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"茶房ガイド (V R SP )"));

    // A change without a selection does nothing.
    m_dialog.NotifyList(LBN_SELCHANGE);
    EXPECT_FALSE(IsWindowEnabled(del));

    SendMessageW(list, LB_SETCURSEL, 0, 0);
    m_dialog.NotifyList(LBN_SELCHANGE);
    EXPECT_TRUE(IsWindowEnabled(del));

    // It never disables the button, even when the selection is gone.
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    m_dialog.NotifyList(LBN_SELCHANGE);
    EXPECT_TRUE(IsWindowEnabled(del));

    m_dialog.NotifyList(LBN_SELCANCEL);
    EXPECT_FALSE(IsWindowEnabled(del));
}

TEST_F(DialogProtocolTest, DoubleClickWithoutSelectionDoesNothing)
{
    m_dialog.NotifyList(LBN_DBLCLK);
    m_dialog.Flush();
    EXPECT_EQ(m_boxes.Count(), 1u);
    EXPECT_FALSE(m_dialog.Ended());
}

TEST_F(DialogProtocolTest, EnterEndsTheIdleDialogWithOk)
{
    SendMessageW(m_dialog.Window(), WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(m_dialog.WaitForEnd());
    EXPECT_EQ(m_dialog.Result(), IDOK);
}

TEST_F(DialogProtocolTest, EnterAndEscAreIgnoredWhileARemovalRuns)
{
    m_dialog.Dialog().m_bRemovalRunning = true;
    SendMessageW(m_dialog.Window(), WM_COMMAND, IDOK, 0);
    SendMessageW(m_dialog.Window(), WM_COMMAND, IDCANCEL, 0);
    SendMessageW(m_dialog.Window(), WM_CLOSE, 0, 0);
    m_dialog.Flush();
    EXPECT_FALSE(m_dialog.Ended());

    // The final message still ends it.
    PostMessageW(m_dialog.Window(), UM_DONE_OK, 0, 0);
    ASSERT_TRUE(m_dialog.WaitForEnd());
    EXPECT_EQ(m_dialog.Result(), 0);
}

namespace {

struct FinalMessage
{
    UINT message;
    const char* text;
    UINT type;
    const char* name;
};

void PrintTo(const FinalMessage& final, std::ostream* os)
{
    *os << final.name;
}

class FinalMessageTest : public DialogProtocolTest, public testing::WithParamInterface<FinalMessage>
{
};

} // namespace

TEST_P(FinalMessageTest, ShowsItsBoxAndEndsTheDialogWithLParam)
{
    const FinalMessage& final = GetParam();
    HWND dlg = m_dialog.Window();
    PostMessageW(dlg, final.message, 0, 0);
    ASSERT_TRUE(m_dialog.WaitForEnd());
    EXPECT_EQ(m_dialog.Result(), 0);
    ASSERT_EQ(m_boxes.Count(), 2u);
    const RecordedBox box = m_boxes.At(1);
    EXPECT_EQ(box.text, CString(final.text));
    EXPECT_EQ(box.caption, CString("ルミナGOシリーズの削除"));
    EXPECT_EQ(box.type, final.type);
    EXPECT_EQ(box.owner, dlg);
}

INSTANTIATE_TEST_SUITE_P(
    Protocol, FinalMessageTest,
    testing::Values(FinalMessage{UM_DONE_OK, "削除は正常終了しました。", MB_OK, "DoneOk"},
                    FinalMessage{UM_DONE_CANCELLED, "削除はキャンセルされました。",
                                 MB_OK | MB_ICONEXCLAMATION, "DoneCancelled"},
                    FinalMessage{UM_DONE_FAILED, "削除は失敗しました。", MB_OK | MB_ICONERROR, "DoneFailed"}),
    [](const testing::TestParamInfo<FinalMessage>& info) { return info.param.name; });
