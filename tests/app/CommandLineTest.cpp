#include "app/CommandLine.h"
#include "app/RunLog.h"
#include "app/UnattendedRun.h"
#include "support/Fixtures.h"
#include "support/InstalledProduct.h"
#include "support/PlatformSeam.h"

#include <gtest/gtest.h>

namespace {

using fixture::ReadBytes;

CommandLine Parse(const wchar_t* commandLine)
{
    return ParseCommandLine(SplitArguments(commandLine));
}

} // namespace

TEST(CommandLineTest, TheFourFormsAreReadWithTheirValues)
{
    EXPECT_EQ(Parse(L"SeriesClean.exe").action, CommandAction::Dialog);
    EXPECT_EQ(Parse(L"SeriesClean.exe /?").action, CommandAction::Usage);
    EXPECT_EQ(Parse(L"SeriesClean.exe -LIST").action, CommandAction::List);

    const CommandLine one = Parse(L"\"C:\\x y\\SeriesClean.exe\" -Quiet /REMOVE \"Kartix on net for PC\" "
                                  L"/log \"C:\\logs\\削除 ログ.txt\"");
    EXPECT_EQ(one.action, CommandAction::Remove);
    EXPECT_TRUE(one.quiet);
    EXPECT_FALSE(one.purge);
    EXPECT_EQ(one.product, L"Kartix on net for PC");
    EXPECT_EQ(one.logPath, L"C:\\logs\\削除 ログ.txt");

    const CommandLine all = Parse(L"SeriesClean.exe /remove ALL /purge /quiet");
    EXPECT_EQ(all.action, CommandAction::Remove);
    EXPECT_TRUE(all.purge);
    EXPECT_EQ(all.product, L"ALL");
}

TEST(CommandLineTest, EverythingElseIsInvalidAndRemembersWhetherItWasQuiet)
{
    for (const wchar_t* line : {
             L"SeriesClean.exe /remove {8D116ECE-1738-47D9-BD9C-172411E20B8F}", // not quiet
             L"SeriesClean.exe /quiet",                                         // nothing to do
             L"SeriesClean.exe /quiet /remove",                                 // missing value
             L"SeriesClean.exe /quiet /remove /log x.txt",                      // value is a switch
             L"SeriesClean.exe /quiet /remove a /log",                          // missing value
             L"SeriesClean.exe /quiet /remove a /purge",                        // purge needs all
             L"SeriesClean.exe /quiet /remove a /remove b",                     // twice
             L"SeriesClean.exe /quiet /remove a extra",                         // stray argument
             L"SeriesClean.exe /quiet /remove a /force",                        // unknown switch
             L"SeriesClean.exe /list /quiet",
             L"SeriesClean.exe /log x.txt",
             L"SeriesClean.exe /",
         }) {
        const CommandLine parsed = Parse(line);
        EXPECT_EQ(parsed.action, CommandAction::Invalid) << fixture::ToCp932(line).GetString();
    }
    EXPECT_TRUE(Parse(L"SeriesClean.exe /quiet /remove").quiet);
    EXPECT_FALSE(Parse(L"SeriesClean.exe /remove a").quiet);
}

TEST(CommandLineTest, TheLogIsUtf8WithOneByteOrderMarkAndCrlfLines)
{
    fixture::TempFolder folder;
    const std::wstring path = folder / L"ログ.log";
    std::wstring why;
    {
        CRunLog log;
        ASSERT_TRUE(log.Open(path, why));
        log.Write(std::wstring(L"start 茶房ガイド"));
    }
    {
        CRunLog log;
        ASSERT_TRUE(log.Open(path, why));
        log.Write(CString("end 1603"));
    }
    const std::string bytes = ReadBytes(path);
    ASSERT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0);
    EXPECT_EQ(bytes.find("\xEF\xBB\xBF", 3), std::string::npos);
    // "YYYY-MM-DD hh:mm:ss " then the text.
    const size_t first = bytes.find("\r\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(bytes.substr(3 + 20, first - 23),
              "start \xE8\x8C\xB6\xE6\x88\xBF\xE3\x82\xAC\xE3\x82\xA4\xE3\x83\x89");
    EXPECT_EQ(bytes.substr(bytes.size() - 10), "end 1603\r\n");
    EXPECT_EQ(bytes[3 + 4], '-');

    CRunLog nowhere;
    EXPECT_FALSE(nowhere.Open(folder.Path(), why)) << "a folder is no log";
    nowhere.Write(std::wstring(L"dropped")); // must not crash
}

TEST(CommandLineTest, AStandardUserOnNtRemovesNothing)
{
    InstalledProduct product(7);
    product.WithAppFolder();
    fixture::TempFolder folder;
    ScopedPlatform platform(1, 0);
    const CommandLine line =
        Parse((L"SeriesClean.exe /quiet /remove all /log \"" + (folder / L"run.log") + L"\"").c_str());

    EXPECT_EQ(RunCommandLine(line), 5);
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(product.MachineKeyExists());
    const std::string log = ReadBytes(folder / L"run.log");
    EXPECT_NE(log.find("exit code 5: not an administrator\r\n"), std::string::npos);
}
