#include "framework/String.h"

#include <gtest/gtest.h>

// "ソ" is 83 5C and "表" is 95 5C in code page 932: their trail byte is a backslash.
TEST(CStringTest, TrailByteBackslashIsNotASeparator)
{
    const CString path("C:\\ソフト\\表示");
    EXPECT_EQ(path.GetAt(3), '\x83');
    EXPECT_EQ(path.GetAt(4), '\\');
    EXPECT_EQ(path.Find('\\'), 2);
    EXPECT_EQ(path.Find('\\', 3), 9);
    EXPECT_EQ(path.ReverseFind('\\'), 9);

    const CString name("ソ表");
    EXPECT_EQ(name.Find('\\'), -1);
    EXPECT_EQ(name.ReverseFind('\\'), -1);
    // A text that ends in the middle of a character does not read past its end.
    EXPECT_EQ(CString("a\x83").ReverseFind('\\'), -1);
}

TEST(CStringTest, SubstringSearchStartsOnCharacterBoundaries)
{
    // 83 5C 83 5C: a search for "\\\x83" must not match across the two characters.
    const CString text("ソソ");
    EXPECT_EQ(text.Find("\\\x83"), -1);
    EXPECT_EQ(CString("abc\\def").Find("\\d"), 3);
}

TEST(CStringTest, MakeLowerChangesAsciiCapitalsOnly)
{
    // "ア" is 83 41: its trail byte is an ASCII capital A and must stay as it is.
    CString text("C:\\Program Files\\アプリ\\ＡＢＣ\\PC");
    text.MakeLower();
    EXPECT_EQ(text, CString("c:\\program files\\アプリ\\ＡＢＣ\\pc"));
}

TEST(CStringTest, TrimRightKeepsATrailByteBackslash)
{
    CString trailing("Software\\ソ\\\\");
    trailing.TrimRight('\\');
    EXPECT_EQ(trailing, CString("Software\\ソ"));

    CString leading("\\\\Software");
    leading.TrimLeft('\\');
    EXPECT_EQ(leading, CString("Software"));
}

TEST(CStringTest, FormatBuildsTextLikePrintf)
{
    CString text;
    text.Format("%sは起動しています。(%d)", "茶房ガイド", 7);
    EXPECT_EQ(text, CString("茶房ガイドは起動しています。(7)"));

    CString empty;
    empty.Format("%s", "");
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(CStringTest, PiecesAndConcatenation)
{
    const CString path("C:\\a\\表");
    EXPECT_EQ(path.Left(4), CString("C:\\a"));
    EXPECT_EQ(path.Mid(5), CString("表"));
    EXPECT_EQ(path.Mid(2, 2), CString("\\a"));
    EXPECT_EQ(path.Right(2), CString("表"));
    EXPECT_EQ(path.Left(100), path);
    EXPECT_TRUE(path.Mid(100).IsEmpty());
    EXPECT_EQ(CString("a") + "b" + CString("c") + '\\', CString("abc\\"));
}
