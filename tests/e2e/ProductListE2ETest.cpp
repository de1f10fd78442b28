#include "e2e/ProgramDriver.h"
#include "support/Fixtures.h"
#include "testkit/Products.h"
#include "ui/resource.h"

#include <gtest/gtest.h>

using namespace e2e;

TEST(ProductListE2ETest, ListsTheInstalledProductsAsTheUserSeesThem)
{
    products::Clean clean;
    products::Install(3);
    products::Install(7);
    products::SetVersion(3, L"3", L"1", L"2", L"A");

    Program program;
    HWND dialog = StartToMainDialog(program);
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, IDC_PRODUCT_LIST);
    const std::vector<std::wstring> expected = {L"茶房ガイド (V3 R1 SP2 A)", L"公園ガイド (V R SP )"};
    EXPECT_EQ(ListItems(list), expected);

    // Selecting an item as a user does enables the delete button.
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_PRODUCT_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE)) != FALSE; }));

    // No series product and no settings key: Exit closes at once.
    Press(dialog, IDC_EXIT);
    EXPECT_TRUE(program.WaitForExit());
}

TEST(ProductListE2ETest, TheWidestLabelCanBeScrolledIntoView)
{
    products::Clean clean;
    products::Install(3, std::wstring(100, L'W'));
    products::Install(7);

    Program program;
    HWND dialog = StartToMainDialog(program);
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, IDC_PRODUCT_LIST);
    // The list's font handle is the program's process's own: the same font is made here from the
    // dialog template's, 9 points of "ＭＳ Ｐゴシック", as the dialog manager makes it.
    HDC dc = GetDC(nullptr);
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    wcscpy(font.lfFaceName, L"ＭＳ Ｐゴシック");
    const HFONT same = CreateFontIndirectW(&font);
    const HGDIOBJ previous = SelectObject(dc, same);
    const std::wstring label = ListItems(list).at(0);
    SIZE size = {};
    GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    DeleteObject(same);
    RECT client = {};
    GetClientRect(list, &client);
    ASSERT_GT(size.cx, client.right) << "the label fits the list";

    // A new process has shown no label before this list's.
    EXPECT_GE(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), size.cx)
        << "the label is " << size.cx << " wide";
    Press(dialog, IDC_EXIT);
    EXPECT_TRUE(program.WaitForExit());
}

namespace {

// Starts the program with the settings key present, presses Exit and answers the question.
void ExitAndAnswer(int answer, const wchar_t* expectedResult)
{
    Program program;
    HWND dialog = StartToMainDialog(program);
    ASSERT_NE(dialog, nullptr);
    Press(dialog, IDC_EXIT);

    HWND question = program.WaitForWindow(kBoxTitle);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(BoxText(question), L"ルミナGOの設定データがレジストリに存在します。\rこれらを削除しますか？\r("
                                 L"残しておいても問題はありません)");
    EXPECT_NE(GetDlgItem(question, IDYES), nullptr);
    EXPECT_NE(GetDlgItem(question, IDNO), nullptr);
    Press(question, answer);

    if (expectedResult) {
        HWND result = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            for (HWND w : program.Windows()) {
                if (w != question && TextOf(w) == kBoxTitle && IsWindowVisible(w))
                    result = w;
            }
            return result != nullptr;
        }));
        EXPECT_EQ(BoxText(result), expectedResult);
        Press(result, IDOK);
    }
    EXPECT_TRUE(program.WaitForExit());
}

} // namespace

TEST(ExitPromptE2ETest, YesDeletesTheSettingsKey)
{
    products::Clean clean;
    fixture::SetString(HKEY_CURRENT_USER, products::kSettingsKey, L"CachePath", L"C:\\cache\\");
    ExitAndAnswer(IDYES, L"ルミナGOの設定データをレジストリより削除しました。");
    EXPECT_FALSE(fixture::KeyExists(HKEY_CURRENT_USER, products::kSettingsKey));
}

TEST(ExitPromptE2ETest, NoKeepsTheSettingsKey)
{
    products::Clean clean;
    fixture::SetString(HKEY_CURRENT_USER, products::kSettingsKey, L"CachePath", L"C:\\cache\\");
    ExitAndAnswer(IDNO, nullptr);
    EXPECT_TRUE(fixture::KeyExists(HKEY_CURRENT_USER, products::kSettingsKey));
}
