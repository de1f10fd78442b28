#include "removal/PathOps.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

using fixture::MakeFile;
using fixture::MakeFolder;
using fixture::ToCp932;

TEST(PathOpsTest, LastComponentAndParentAreDoubleByteAware)
{
    // "ソ" and "表" end in the byte of a backslash.
    EXPECT_EQ(GetLastPathComponent("C:\\地図\\ソ"), CString("ソ"));
    EXPECT_EQ(GetLastPathComponent("C:\\表\\アプリ表"), CString("アプリ表"));
    EXPECT_EQ(GetParentPath("C:\\ソ\\表"), CString("C:\\ソ"));
    EXPECT_EQ(GetParentPath("C:\\ソフト表"), CString("C:"));
    EXPECT_EQ(GetLastPathComponent("ソ表"), CString(""));
    EXPECT_EQ(GetParentPath("ソ表"), CString(""));
    EXPECT_EQ(GetLastPathComponent("C:\\a\\"), CString(""));
    EXPECT_EQ(GetParentPath("C:\\a\\"), CString("C:\\a"));
}

TEST(PathOpsTest, FindFirstFileNameGivesTheStoredNameOfAFile)
{
    fixture::TempFolder root;
    MakeFile(root / L"Kartix On Net For PC.LNK");
    MakeFolder(root / L"folder.lnk");
    CString name = "untouched";
    EXPECT_EQ(FindFirstFileName(ToCp932(root / L"kartix on net for pc.lnk"), name), 1);
    EXPECT_EQ(name, CString("Kartix On Net For PC.LNK"));
    name = "untouched";
    EXPECT_EQ(FindFirstFileName(ToCp932(root / L"folder.lnk"), name), 0);
    EXPECT_EQ(FindFirstFileName(ToCp932(root / L"missing.lnk"), name), 0);
    EXPECT_EQ(FindFirstFileName("", name), 0);
    EXPECT_EQ(name, CString("untouched"));
}

TEST(PathOpsTest, FindShortcutFolderSearchesDepthFirst)
{
    fixture::TempFolder root;
    const std::wstring programs = root / L"Programs";
    // NTFS and Wine list a folder in name order: "a-group" comes before the shortcut beside it, and
    // a depth-first search finds the deeper copy inside it first.
    MakeFile(programs + L"\\a-group\\コラミ\\茶房ガイド.lnk");
    MakeFile(programs + L"\\b-group\\茶房ガイド.lnk");
    MakeFile(programs + L"\\茶房ガイド.lnk");
    CString folder = "untouched";
    ASSERT_EQ(FindShortcutFolder(ToCp932(programs), "茶房ガイド.lnk", folder), 1);
    EXPECT_EQ(folder, ToCp932(programs + L"\\a-group\\コラミ"));

    folder = "untouched";
    EXPECT_EQ(FindShortcutFolder(ToCp932(programs), "公園ガイド.lnk", folder), 0);
    EXPECT_EQ(FindShortcutFolder("", "茶房ガイド.lnk", folder), 0);
    EXPECT_EQ(folder, CString("untouched"));
}

TEST(PathOpsTest, FindShortcutFolderTestsAFolderOnlyAtItsFirstFile)
{
    fixture::TempFolder root;
    const std::wstring programs = root / L"Programs";
    // A folder with sub-folders only is never tested itself.
    MakeFolder(programs + L"\\only-folders\\sub");
    CString folder;
    EXPECT_EQ(FindShortcutFolder(ToCp932(programs), "x.lnk", folder), 0);
    MakeFile(programs + L"\\only-folders\\sub\\x.lnk");
    EXPECT_EQ(FindShortcutFolder(ToCp932(programs), "x.lnk", folder), 1);
    EXPECT_EQ(folder, ToCp932(programs + L"\\only-folders\\sub"));
}

TEST(PathOpsTest, FindShortcutFolderDoesNotEnterLinks)
{
    fixture::TempFolder root;
    MakeFile(root / L"elsewhere\\x.lnk");
    MakeFolder(root / L"Programs");
    fixture::MakeDirectoryLink(root / L"Programs\\linked", root / L"elsewhere");
    CString folder;
    EXPECT_EQ(FindShortcutFolder(ToCp932(root / L"Programs"), "x.lnk", folder), 0);
}

TEST(PathOpsTest, OnDiskPathSpellsEveryComponentAsStored)
{
    fixture::TempFolder root;
    MakeFolder(root / L"Local\\KORAMI\\TeaAtlasData_P2");
    const CString typed = ToCp932(root.Path()) + "\\local\\korami\\teaatlasdata_p2";
    EXPECT_EQ(GetOnDiskPath(typed), ToCp932(root / L"Local\\KORAMI\\TeaAtlasData_P2"));
    EXPECT_EQ(GetOnDiskPath(ToCp932(root / L"Local\\missing")), CString(""));
    EXPECT_EQ(GetOnDiskPath("C:\\PROGRAM FILES"), CString("C:\\Program Files"));
}

TEST(PathOpsTest, LocalFullPathIsTheOneFormOfADrivePath)
{
    const struct
    {
        const char* given;
        const char* expected;
    } cases[] = {
        {"C:\\Program Files/KORAMI/KartixNet", "C:\\Program Files\\KORAMI\\KartixNet"},
        {"C:\\Cache\\.\\X", "C:\\Cache\\X"},
        {"C:\\a\\b\\..\\c\\", "C:\\a\\c"},
        {"C:\\a\\..\\..\\..\\b", "C:\\b"},
        {"C:\\a\\\\b\\c. . ", "C:\\a\\b\\c"},
        {"C:/", "C:\\"},
        {"C:\\x\\..", "C:\\"},
        // "ソ" and "表" end in the byte of a backslash; they are not separators.
        {"C:\\ソ\\表\\", "C:\\ソ\\表"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetLocalFullPath(c.given), CString(c.expected)) << c.given;
}

TEST(PathOpsTest, LocalFullPathRefusesEverySpellingThatIsNotALocalDrivePath)
{
    const char* const refused[] = {
        "",
        "Program Files\\x",
        "\\Program Files",
        "C:Program Files",
        "\\\\?\\C:\\Program Files",
        "\\\\.\\C:\\Program Files",
        "\\??\\C:\\Program Files",
        "\\\\localhost\\c$\\Program Files",
        "//localhost/c$/Program Files",
        "\\\\.\\UNC\\localhost\\c$\\Program Files",
        "\\\\?\\UNC\\localhost\\c$\\Program Files",
        "C:\\Program Files\\x\\CON",            // a device under any folder
        "C:\\Program Files::$INDEX_ALLOCATION", // the folder's own stream
        "C:\\Program Files\\Tea*",
        "C:\\Program Files\\Te?",
        "C:\\Program Files\\a\tb",
        "C:\\a\\...\\b", // Wine leaves ".." of it
    };
    for (const char* path : refused)
        EXPECT_EQ(GetLocalFullPath(path), CString("")) << path;
}

TEST(PathOpsTest, OnDiskPathRebuildsOnlyANormalisedPath)
{
    fixture::TempFolder root;
    MakeFolder(root / L"plain");
    // "." would come back as its parent's name, and "/" would lose the text before it.
    EXPECT_EQ(GetOnDiskPath(ToCp932(root.Path()) + "\\.\\plain"), CString(""));
    EXPECT_EQ(GetOnDiskPath(ToCp932(root.Path()) + "/plain"), CString(""));
    EXPECT_EQ(GetOnDiskPath(ToCp932(root.Path()) + "\\PLAIN"), ToCp932(root / L"plain"));
}
