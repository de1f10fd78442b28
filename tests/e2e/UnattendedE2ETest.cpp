#include "e2e/ProgramDriver.h"
#include "support/Fixtures.h"
#include "support/InstalledProduct.h"
#include "support/Unattended.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace e2e;
using fixture::AsciiLower;
using fixture::FromUtf8;
using fixture::HasLine;
using fixture::LogLines;
using fixture::ReadBytes;

namespace {

struct Outcome
{
    DWORD exitCode = STILL_ACTIVE;
    bool showedAWindow = false;
};

// Runs SeriesClean.exe with arguments to its end, watching all the while for a window of its own.
Outcome RunProgram(const std::wstring& arguments, HANDLE stdOut = nullptr)
{
    Program program(arguments, stdOut);
    Outcome run;
    WaitUntil(
        [&] {
            run.showedAWindow = run.showedAWindow || !program.Windows().empty();
            return !program.Running();
        },
        60000);
    run.exitCode = program.ExitCode();
    return run;
}

class UnattendedE2ETest : public testing::Test
{
protected:
    void TearDown() override { ForgetPendingDeletes(); }

    std::wstring Log() const { return m_logFolder / L"run.log"; }
    std::wstring LogSwitch() const { return L" /log \"" + Log() + L"\""; }

    fixture::TempFolder m_logFolder;
};

} // namespace

TEST_F(UnattendedE2ETest, AQuietRemovalTakesEveryPieceShowsNothingAndLogsEachStep)
{
    InstalledProduct product(3);
    product.WithAllPieces();

    const Outcome run =
        RunProgram(L"/quiet /REMOVE \"" + product.Catalog().displayName + L"\"" + LogSwitch());

    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.showedAWindow);
    EXPECT_FALSE(product.AnyPieceOnDisk());
    EXPECT_FALSE(product.MachineKeyExists());
    EXPECT_FALSE(product.UninstallKeyExists());
    EXPECT_FALSE(product.UserKeyExists());
    EXPECT_TRUE(product.CanariesIntact());

    const std::vector<std::wstring> lines = LogLines(Log());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front().rfind(L"SeriesClean 1.4 started: ", 0), 0u);
    EXPECT_EQ(lines[1].rfind(L"account: ", 0), 0u);
    const std::wstring appFolder = AsciiLower(product.AppFolder());
    EXPECT_TRUE(HasLine(lines, L"  application folder: found " + appFolder));
    EXPECT_TRUE(HasLine(lines, L"  removed the application folder: " + appFolder));
    // Named as regedit shows them: the 32-bit view's keys under WOW6432Node, the user's under the
    // profile's own hive.
    EXPECT_TRUE(
        HasLine(lines, L"  key deleted: HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Korami\\TeaAtlas"));
    EXPECT_TRUE(HasLine(lines, L"  key deleted: HKEY_USERS\\" + fixture::CurrentUserSid() +
                                   L"\\Software\\Korami\\TeaAtlas"));
    EXPECT_EQ(lines.back(), L"exit code 0: done");
}

TEST_F(UnattendedE2ETest, AProductIsNamedByItsGuidInAnyCaseAndOnlyAnInstalledOneCounts)
{
    InstalledProduct product(7);
    product.WithAppFolder();
    const std::wstring guid = AsciiLower(product.Catalog().guid);

    EXPECT_EQ(RunProgram(L"/quiet /remove {00000000-0000-0000-0000-000000000000}" + LogSwitch()).exitCode,
              1605u);
    EXPECT_EQ(RunProgram(L"/quiet /remove \"" + products::At(3).displayName + L"\"" + LogSwitch()).exitCode,
              1605u);
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));

    EXPECT_EQ(RunProgram(L"-quiet -remove " + guid + LogSwitch()).exitCode, 0u);
    EXPECT_FALSE(fixture::Exists(product.AppFolder()));
    EXPECT_EQ(LogLines(Log()).back(), L"exit code 0: done");
}

TEST_F(UnattendedE2ETest, NothingIsDeletedWhileTheProductOrAnotherCopyRuns)
{
    InstalledProduct product(7);
    product.WithAppFolder();
    {
        HWND running = CreateWindowExW(0, L"STATIC", product.Catalog().displayName.c_str(), WS_POPUP, 0, 0,
                                       10, 10, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(RunProgram(L"/quiet /remove all" + LogSwitch()).exitCode, 1618u);
        DestroyWindow(running);
    }
    {
        Program dialog; // the dialog holds the same mark while it is open
        ASSERT_NE(dialog.WaitForWindow(kBoxTitle), nullptr);
        EXPECT_EQ(RunProgram(L"/quiet /remove all" + LogSwitch()).exitCode, 1618u);
    }
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(product.MachineKeyExists());
}

TEST_F(UnattendedE2ETest, AFileInUseIsLeftForTheRestartAndTheRestIsRemoved)
{
    InstalledProduct product(3);
    product.WithAppFolder().WithCacheFolder();
    const std::wstring locked = product.AppFolder() + L"\\data\\file1.dat";
    fixture::LockedFile lock(locked);

    const Outcome run =
        RunProgram(L"/quiet /remove \"" + product.Catalog().displayName + L"\"" + LogSwitch());

    EXPECT_EQ(run.exitCode, 3010u);
    EXPECT_FALSE(run.showedAWindow);
    EXPECT_TRUE(fixture::Exists(locked));
    EXPECT_FALSE(fixture::Exists(product.AppFolder() + L"\\file0.dat"));
    EXPECT_FALSE(fixture::Exists(product.CacheFolder()));
    EXPECT_FALSE(product.MachineKeyExists());
    EXPECT_FALSE(product.UserKeyExists());
    // The file first, then the folders that hold it, innermost first; the application folder as
    // the survey lower-cased it, but for its own name as the deletion met it on disk.
    const std::wstring pending = PendingDeletes();
    const std::wstring given = product.AppFolder();
    const size_t slash = given.find_last_of(L'\\');
    const std::wstring appFolder = AsciiLower(given.substr(0, slash)) + given.substr(slash);
    const size_t file = pending.find(L"\\??\\" + appFolder + L"\\data\\file1.dat|");
    const size_t data = pending.find(L"\\??\\" + appFolder + L"\\data|");
    const size_t app = pending.find(L"\\??\\" + appFolder + L"|");
    EXPECT_NE(file, std::wstring::npos) << fixture::ToCp932(pending).GetString();
    EXPECT_LT(file, data);
    EXPECT_LT(data, app);
    EXPECT_NE(app, std::wstring::npos);
    EXPECT_EQ(LogLines(Log()).back(), L"exit code 3010: done, a restart is needed to finish");
}

TEST_F(UnattendedE2ETest, RemoveAllWithPurgeLeavesNothingOfTheSeries)
{
    InstalledProduct first(3);
    first.WithAppFolder();
    products::Installer second(
        7, products::Places{L"", L"", L"", m_logFolder / L"cache\\", m_logFolder / L"park", L""});
    second.WriteKeys(L"1", L"0", L"0", L"");
    second.AddAppFolder(3);
    fixture::SetString(HKEY_CURRENT_USER, products::kSettingsKey, L"CachePath", L"C:\\cache\\");

    EXPECT_EQ(RunProgram(L"/quiet /remove all" + LogSwitch()).exitCode, 0u);
    EXPECT_FALSE(fixture::Exists(first.AppFolder()));
    EXPECT_FALSE(fixture::Exists(second.AppFolder()));
    EXPECT_TRUE(fixture::KeyExists(HKEY_CURRENT_USER, products::kSettingsKey)) << "kept without /purge";

    EXPECT_EQ(RunProgram(L"/quiet /remove all /purge" + LogSwitch()).exitCode, 0u)
        << "nothing left to remove";
    EXPECT_FALSE(fixture::KeyExists(HKEY_CURRENT_USER, products::kSettingsKey));
}

TEST_F(UnattendedE2ETest, ABadCommandLineShowsTheUsageUnlessQuiet)
{
    EXPECT_EQ(RunProgram(L"/quiet /remove" + LogSwitch()).exitCode, 1639u);
    const Outcome quietBogus = RunProgram(L"/quiet /bogus");
    EXPECT_EQ(quietBogus.exitCode, 1639u);
    EXPECT_FALSE(quietBogus.showedAWindow);

    Program program(L"/remove all");
    HWND usage = program.WaitForWindow(kBoxTitle);
    ASSERT_NE(usage, nullptr);
    const std::wstring text = BoxText(usage);
    for (const wchar_t* name : {L"/quiet", L"/remove", L"/purge", L"/list", L"/log", L"/?"})
        EXPECT_NE(text.find(name), std::wstring::npos) << fixture::ToCp932(name).GetString();
    Press(usage, IDOK);
    ASSERT_TRUE(program.WaitForExit());
    EXPECT_EQ(program.ExitCode(), 1639u);
}

TEST_F(UnattendedE2ETest, ListWritesTheInstalledProductsToRedirectedOutput)
{
    const std::wstring outPath = m_logFolder / L"out.txt";
    auto list = [&] {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        HANDLE out =
            CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        const Outcome run = RunProgram(L"/list" + LogSwitch(), out);
        CloseHandle(out);
        return run.exitCode;
    };

    products::Clean none;
    EXPECT_EQ(list(), 1605u);
    EXPECT_TRUE(ReadBytes(outPath).empty());

    InstalledProduct product(3);
    products::Install(7);
    EXPECT_EQ(list(), 0u);
    EXPECT_EQ(FromUtf8(ReadBytes(outPath)),
              L"茶房ガイド (V3 R1 SP2 A)\t{9531985D-5D9D-49F8-9818-E811892F902B}\r\n"
              L"公園ガイド (V R SP )\t{90C192CF-D3AC-44AF-8F21-DDB66CAD4A26}\r\n");
}

TEST_F(UnattendedE2ETest, QuietUsageShowsNoWindowAndGoesToRedirectedOutput)
{
    // As SYSTEM nobody could see the box, nor close it: the deployment tool would wait for ever.
    const std::wstring outPath = m_logFolder / L"usage.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE out =
        CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    const Outcome run = RunProgram(L"/quiet /?", out);
    CloseHandle(out);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.showedAWindow);
    const std::wstring usage = FromUtf8(ReadBytes(outPath));
    EXPECT_EQ(usage.rfind(L"使い方:\r\n  SeriesClean.exe /quiet /remove <製品名|{GUID}>", 0), 0u)
        << ReadBytes(outPath);
    EXPECT_NE(usage.find(L"/?\tこの説明を表示します。\r\n"), std::wstring::npos);
}
