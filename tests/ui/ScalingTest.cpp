// The dialog's own sizes at the display's DPI: its window icons and its list's horizontal extent, at
// the start and after WM_DPICHANGED. Under Wine a window never changes DPI by itself, so the tests
// send the message, and change the list's font first as Windows' dialog manager does.
#include "support/DialogHarness.h"
#include "testkit/ProgramWindows.h"
#include "testkit/Products.h"

#include <gtest/gtest.h>

#include <string>

namespace {

SIZE IconSize(LRESULT icon)
{
    ICONINFO info = {};
    if (!icon || !GetIconInfo(reinterpret_cast<HICON>(icon), &info))
        return {0, 0};
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    // A monochrome icon's mask holds the AND and the XOR image one above the other.
    const SIZE size = {bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return size;
}

class ScalingTest : public DialogTest
{
protected:
    LRESULT Icon(WPARAM which) const { return SendMessageW(m_dialog->Window(), WM_GETICON, which, 0); }

    // What Windows sends when the dialog has moved to a display of dpi; the suggested rectangle is
    // where the dialog is, so that nothing moves.
    void MoveToDisplayOf(UINT dpi)
    {
        RECT suggested = {};
        GetWindowRect(m_dialog->Window(), &suggested);
        SendMessageW(m_dialog->Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
    }

    products::Clean m_clean;
};

} // namespace

TEST_F(ScalingTest, WindowIconsHaveTheSizesOfTheDisplayTheDialogIsOn)
{
    Start();
    // This process runs at 96 DPI: Windows' 32 and 16 pixels.
    EXPECT_EQ(IconSize(Icon(ICON_BIG)).cx, 32);
    EXPECT_EQ(IconSize(Icon(ICON_BIG)).cy, 32);
    EXPECT_EQ(IconSize(Icon(ICON_SMALL)).cx, 16);
    EXPECT_EQ(IconSize(Icon(ICON_SMALL)).cy, 16);
    EXPECT_EQ(SendMessageW(m_dialog->Window(), WM_QUERYDRAGICON, 0, 0), Icon(ICON_BIG));

    struct Display
    {
        UINT dpi;
        LONG bigIcon;
        LONG smallIcon;
    };
    for (const Display display : {Display{144, 48, 24}, Display{120, 40, 20}, Display{192, 64, 32}}) {
        SCOPED_TRACE(display.dpi);
        MoveToDisplayOf(display.dpi);
        EXPECT_EQ(IconSize(Icon(ICON_BIG)).cx, display.bigIcon);
        EXPECT_EQ(IconSize(Icon(ICON_BIG)).cy, display.bigIcon);
        EXPECT_EQ(IconSize(Icon(ICON_SMALL)).cx, display.smallIcon);
        EXPECT_EQ(IconSize(Icon(ICON_SMALL)).cy, display.smallIcon);
        EXPECT_EQ(SendMessageW(m_dialog->Window(), WM_QUERYDRAGICON, 0, 0), Icon(ICON_BIG));
    }
}

TEST_F(ScalingTest, AfterADpiChangeTheExtentFitsTheListsNewFontAndNeverNarrows)
{
    // The widest label there can be, at a multiple of the template font's height, is wider than
    // anything this process measured before: each run of this test takes a larger multiple.
    static int s_nFactor = 1;
    ++s_nFactor;
    products::Install(3, std::wstring(126, L'W'));
    products::Install(7);
    Start();
    HWND list = m_dialog->Control(IDC_PRODUCT_LIST);
    const auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
    ASSERT_NE(dialogFont, nullptr);
    // A font of the list's face at another height.
    const drive::MeasuringFont larger(dialogFont, s_nFactor);
    ASSERT_NE(larger.Get(), nullptr);
    const LRESULT before = SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
    ASSERT_LT(before, larger.Widest(drive::ListItems(list)));

    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(larger.Get()), FALSE);
    MoveToDisplayOf(192);
    const LRESULT scaled = SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
    EXPECT_GE(scaled, larger.Widest(drive::ListItems(list)));

    // Back on the first display, the extent stays as wide as it became.
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), FALSE);
    MoveToDisplayOf(96);
    EXPECT_EQ(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), scaled);
}
