// The main dialog of the real program started at 150 % and 200 % (144 and 192 DPI), looked at from
// outside against the same dialog at 100 %.
//
// The texts are measured with the font the dialog manager makes of the template's at that DPI: Wine
// does not answer WM_GETFONT (nor WM_GETICON) sent from another process, and a font handle would
// mean nothing in this one anyway. That the program drew with that font is checked by its list's
// item height, which the list takes from its font. The template's ＭＳ Ｐゴシック is the IPA font
// that stands in for it, as in the demo: without a Japanese font, Wine measures the Japanese texts
// with a Latin font's default character, far narrower than on Japanese Windows.
#include "e2e/ProgramDriver.h"
#include "testkit/Products.h"
#include "ui/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

using namespace e2e;

namespace {

// The template's font: 9 points of ＭＳ Ｐゴシック, and its stand-in (fonts-ipafont-gothic).
constexpr int kDialogFontPoints = 9;
const wchar_t kDialogFontFace[] = L"ＭＳ Ｐゴシック";
const wchar_t kStandInFace[] = L"IPAPGothic";
// Room a push button keeps between its edge and its text: its 3-D frame and the focus rectangle, in
// pixels at 96 DPI.
constexpr int kButtonFramePixels = 3;
// Where a group box starts its text, in pixels at 96 DPI from each side.
constexpr int kGroupTextIndentPixels = 8;

struct Control
{
    int id;
    std::wstring className; // lower case, without the "version!" prefix of common controls 6
    std::wstring text;
    LONG style;
    RECT rect; // in the dialog's client area
};

struct DialogLayout
{
    RECT client = {};
    std::vector<Control> controls;
    std::vector<std::wstring> items;
    LRESULT itemHeight = 0;
    LRESULT horizontalExtent = 0;
};

std::wstring Name(const Control& control)
{
    return L"control " + std::to_wstring(control.id) + L" \"" + control.text + L"\"";
}

std::wstring ClassName(HWND hWnd)
{
    std::wstring name = drive::ClassOf(hWnd);
    const size_t bang = name.find(L'!');
    if (bang != std::wstring::npos)
        name = name.substr(bang + 1);
    CharLowerW(name.data());
    return name;
}

// Starts the program at dpi, reads its main dialog and lets it leave with Esc.
DialogLayout LayoutAt(DWORD dpi)
{
    DialogLayout layout;
    std::unique_ptr<Program> program;
    HWND dialog = nullptr;
    {
        // Wine reads both as the process starts; the program's dialog is made by then.
        const fixture::ScopedDisplayDpi display(dpi);
        const fixture::ScopedValue standIn(HKEY_CURRENT_USER, L"Software\\Wine\\Fonts\\Replacements",
                                           kDialogFontFace, REG_SZ, kStandInFace);
        program = std::make_unique<Program>();
        dialog = StartToMainDialog(*program);
    }
    if (!dialog)
        return layout;
    GetClientRect(dialog, &layout.client);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Control control = {GetDlgCtrlID(child),
                           ClassName(child),
                           TextOf(child),
                           static_cast<LONG>(GetWindowLongPtrW(child, GWL_STYLE)),
                           {}};
        GetWindowRect(child, &control.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&control.rect), 2);
        layout.controls.push_back(control);
    }
    HWND list = GetDlgItem(dialog, IDC_PRODUCT_LIST);
    layout.items = ListItems(list);
    layout.itemHeight = SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    layout.horizontalExtent = SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(program->WaitForExit());
    return layout;
}

// The pairs of controls (by their place in the dialog) whose rectangles share pixels.
std::set<std::pair<size_t, size_t>> Overlaps(const DialogLayout& layout)
{
    std::set<std::pair<size_t, size_t>> pairs;
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        for (size_t j = i + 1; j < layout.controls.size(); ++j) {
            RECT common;
            if (IntersectRect(&common, &layout.controls[i].rect, &layout.controls[j].rect))
                pairs.emplace(i, j);
        }
    }
    return pairs;
}

// The room a control gives its text: the whole control for a static, less the frame for a button
// and the indent on both sides for a group box.
SIZE TextRoom(const Control& control, DWORD dpi)
{
    const LONG width = control.rect.right - control.rect.left;
    const LONG height = control.rect.bottom - control.rect.top;
    if (control.className != L"button")
        return {width, height};
    if ((control.style & BS_TYPEMASK) == BS_GROUPBOX)
        return {width - 2 * MulDiv(kGroupTextIndentPixels, static_cast<int>(dpi), 96), height};
    const LONG frame = 2 * MulDiv(kButtonFramePixels, static_cast<int>(dpi), 96);
    return {width - frame, height - frame};
}

class ScalingE2ETest : public testing::TestWithParam<DWORD>
{
protected:
    void SetUp() override
    {
        products::Install(3);
        products::SetVersion(3, L"2", L"3", L"1", L"");
        products::Install(5);
        // Wider than the list at every resolution: the horizontal extent matters.
        products::Install(6, L"北欧旅行ガイド 全域版 道路地図・観光施設・宿泊情報・フェリー航路 完全収録");
        products::SetVersion(6, L"1", L"0", L"0", L"");
        products::Install(7);
    }

    products::Clean m_clean;
};

} // namespace

TEST_P(ScalingE2ETest, NothingIsCutOrOverlapsAndTheListScrollsToItsWidestItem)
{
    const DWORD dpi = GetParam();
    const DialogLayout normal = LayoutAt(96);
    const DialogLayout scaled = LayoutAt(dpi);
    ASSERT_FALSE(normal.controls.empty());
    ASSERT_EQ(scaled.controls.size(), normal.controls.size());
    for (size_t i = 0; i < normal.controls.size(); ++i) {
        EXPECT_EQ(scaled.controls[i].id, normal.controls[i].id);
        EXPECT_EQ(scaled.controls[i].text, normal.controls[i].text);
    }
    // The template's font (its stand-in) as the dialog manager makes it for the display.
    const drive::MeasuringFont font(kStandInFace, kDialogFontPoints, dpi);
    ASSERT_EQ(font.Face(), kStandInFace) << "no Japanese font: install fonts-ipafont-gothic";
    ASSERT_EQ(scaled.itemHeight, font.Height())
        << "the program did not draw with the template's font at " << dpi << " DPI";
    EXPECT_GT(scaled.client.right, normal.client.right * 5 / 4) << "the dialog was not scaled";

    for (const Control& control : scaled.controls) {
        SCOPED_TRACE(Name(control));
        RECT inside;
        IntersectRect(&inside, &control.rect, &scaled.client);
        EXPECT_TRUE(EqualRect(&inside, &control.rect)) << "reaches out of the client area";

        const bool labelled = control.className == L"static" || control.className == L"button";
        if (!labelled || control.text.empty())
            continue;
        const SIZE label = font.LabelSize(control.text);
        const SIZE room = TextRoom(control, dpi);
        EXPECT_LE(label.cx, room.cx) << "its text is cut at the side";
        EXPECT_LE(label.cy, room.cy) << "its text is cut at the bottom";
    }

    const std::set<std::pair<size_t, size_t>> allowed = Overlaps(normal);
    for (const auto& [first, second] : Overlaps(scaled)) {
        EXPECT_TRUE(allowed.count({first, second}))
            << Name(scaled.controls[first]) << " and " << Name(scaled.controls[second])
            << " overlap, which they do not at 96 DPI";
    }

    ASSERT_EQ(scaled.items.size(), 4u);
    const LONG widest = font.Widest(scaled.items);
    const auto list = std::find_if(scaled.controls.begin(), scaled.controls.end(),
                                   [](const Control& control) { return control.id == IDC_PRODUCT_LIST; });
    ASSERT_NE(list, scaled.controls.end());
    ASSERT_GT(widest, list->rect.right - list->rect.left) << "no item is wider than the list";
    EXPECT_GE(scaled.horizontalExtent, widest);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, ScalingE2ETest, testing::Values(144, 192),
                         [](const testing::TestParamInfo<DWORD>& info) {
                             return "Dpi" + std::to_string(info.param);
                         });
