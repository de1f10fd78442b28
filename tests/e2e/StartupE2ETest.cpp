#include "e2e/ProgramDriver.h"
#include "ui/resource.h"

#include <gtest/gtest.h>

using namespace e2e;

TEST(StartupE2ETest, InformationBoxThenTheMainDialogWithItsControls)
{
    Program program;
    HWND info = program.WaitForWindow(kBoxTitle);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(BoxText(info), kInfoText);
    // The dialog is not usable before the box is answered.
    Press(info, IDOK);

    HWND dialog = program.WaitForWindow(kDialogTitle);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS2)); }));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PROGRESS1)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CANCEL_REMOVAL)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_EXIT)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_PRODUCT_LIST)));

    // Every control of the template, in template order, with its class and text.
    std::vector<std::pair<std::wstring, std::wstring>> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring name = drive::ClassOf(child);
        name = name.substr(name.find(L'!') == std::wstring::npos ? 0 : name.find(L'!') + 1);
        CharLowerW(name.data());
        controls.emplace_back(name, TextOf(child));
    }
    const std::vector<std::pair<std::wstring, std::wstring>> expected = {
        {L"static", L"削除可能な製品一覧(&L)"},
        {L"listbox", L""},
        {L"button", L"削除(&D)"},
        {L"button", L"終了(&E)"},
        {L"button", L"ｷｬﾝｾﾙ(&C)"},
        {L"button", L"ｽﾃｰﾀｽ"},
        {L"static", L""},
        {L"msctls_progress32", L""},
        {L"static", L""},
        {L"msctls_progress32", L""},
        {L"static", L""},
        {L"static", L"削除する製品を選択し、[削除]ﾎﾞﾀﾝをｸﾘｯｸしてください。"},
    };
    EXPECT_EQ(controls, expected);

    // Esc ends the idle dialog, and the process with it.
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(program.WaitForExit());
}
