#include "framework/FileFind.h"
#include "framework/Registry.h"
#include "framework/Text.h"
#include "framework/Wnd.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

// Whatever the system's ANSI code page (the suite runs under 932 and 1252), a text that the program
// sets through the framework reaches Windows as the right UTF-16 text, and comes back unchanged.
TEST(TextBoundaryTest, WindowTextCrossesAsUtf16)
{
    HWND hWnd =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hWnd, nullptr);
    CWnd wnd;
    wnd.m_hWnd = hWnd;

    wnd.SetWindowText("ルミナGOシリーズの削除 ｷｬﾝｾﾙ ソ表");
    wchar_t buffer[64] = {};
    GetWindowTextW(hWnd, buffer, 64);
    EXPECT_STREQ(buffer, L"ルミナGOシリーズの削除 ｷｬﾝｾﾙ ソ表");

    SetWindowTextW(hWnd, L"茶房ガイド (V3 R1 SP2 A)");
    EXPECT_EQ(wnd.GetWindowText(), CString("茶房ガイド (V3 R1 SP2 A)"));

    wnd.m_hWnd = nullptr;
    DestroyWindow(hWnd);
}

TEST(TextBoundaryTest, ConversionUsesCodePage932)
{
    EXPECT_EQ(win32::Widen("ﾌｧｲﾙ･ソ"), std::wstring(L"ﾌｧｲﾙ･ソ"));
    bool lossy = true;
    EXPECT_EQ(win32::Narrow(L"ﾌｧｲﾙ･ソ", &lossy), CString("ﾌｧｲﾙ･ソ"));
    EXPECT_FALSE(lossy);
    win32::Narrow(L"caf\u00e9", &lossy);
    EXPECT_TRUE(lossy) << "code page 932 has no e with acute accent";
}

TEST(TextBoundaryTest, JapaneseFileNamesAndRegistryValues)
{
    fixture::TempFolder folder;
    fixture::MakeFile(folder / L"地図ソ表.txt");

    CFileFind find;
    ASSERT_TRUE(find.FindFile(fixture::ToCp932(folder.Path()) + "\\*.txt"));
    find.FindNextFile();
    EXPECT_EQ(find.GetFileName(), CString("地図ソ表.txt"));
    EXPECT_EQ(find.GetFilePath(), fixture::ToCp932(folder.Path()) + "\\地図ソ表.txt");

    const std::wstring key = L"Software\\SeriesCleanTests\\Boundary";
    fixture::SetString(HKEY_CURRENT_USER, key, L"名前", L"北欧旅行ガイド");
    win32::RegKey reg;
    ASSERT_EQ(reg.Open(HKEY_CURRENT_USER, fixture::ToCp932(key), KEY_READ), ERROR_SUCCESS);
    CString value;
    EXPECT_EQ(reg.QueryAnsiValue("名前", 127, value), ERROR_SUCCESS);
    EXPECT_EQ(value, CString("北欧旅行ガイド"));
    reg.Close();
    fixture::DeleteKey(HKEY_CURRENT_USER, L"Software\\SeriesCleanTests");
}

TEST(TextBoundaryTest, LongAbsolutePathsGetTheExtendedForm)
{
    EXPECT_EQ(win32::FileSystemPath("C:\\a\\..\\b/c"), std::wstring(L"\\\\?\\C:\\b\\c"));
    EXPECT_EQ(win32::FileSystemPath("relative\\x"), std::wstring(L"relative\\x"));
    EXPECT_EQ(win32::FileSystemPath("\\\\server\\share\\x"), std::wstring(L"\\\\?\\UNC\\server\\share\\x"));
}
