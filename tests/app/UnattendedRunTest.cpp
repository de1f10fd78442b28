// The unattended run as a deployment tool starts it on a PC with several users: every user's
// pieces, nothing an ordinary user can redirect, exit codes that say what is left.
#include "app/CommandLine.h"
#include "app/UnattendedRun.h"
#include "framework/Security.h"
#include "removal/ProgramFolders.h"
#include "support/Backups.h"
#include "support/Fixtures.h"
#include "support/InstalledProduct.h"
#include "support/MessageBoxRecorder.h"
#include "support/OtherProfile.h"
#include "support/PlatformSeam.h"
#include "support/Unattended.h"
#include "testkit/Products.h"

#include <gtest/gtest.h>
#include <sddl.h>

namespace {

using fixture::HasLine;

const wchar_t kAlice[] = L"S-1-5-21-1111-2222-3333-1001";
const wchar_t kBob[] = L"S-1-5-21-1111-2222-3333-1002";
const wchar_t kCarol[] = L"S-1-5-21-1111-2222-3333-1003";
const wchar_t kDave[] = L"S-1-5-21-1111-2222-3333-1004";
const wchar_t kService[] = L"S-1-5-80-1111-2222-3333-4444-5555";

class UnattendedRunTest : public testing::Test
{
protected:
    void TearDown() override { ForgetPendingDeletes(); }

    UnattendedResult Run(const std::wstring& arguments)
    {
        return RunUnattended(arguments, m_logs / L"run.log");
    }
    UnattendedResult RemoveTea() { return Run(L"/quiet /remove 茶房ガイド"); }

    fixture::TempFolder m_logs;
};

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

} // namespace

// Every profile of the PC: as SYSTEM, HKEY_CURRENT_USER is nobody's.

TEST_F(UnattendedRunTest, EveryUsersCacheFolderAndUserKeyGoLoggedOnOrNot)
{
    InstalledProduct product(3);
    product.WithAllPieces();
    OtherProfile alice(kAlice, L"alice", OtherProfile::Hive::LoggedOn, 3);
    OtherProfile bob(kBob, L"bob", OtherProfile::Hive::FileOnly, 3);
    const std::vector<std::wstring> mountsBefore = fixture::SubKeyNames(HKEY_USERS);

    const UnattendedResult run = RemoveTea();

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(product.AnyPieceOnDisk());
    EXPECT_FALSE(product.UserKeyExists());
    EXPECT_FALSE(fixture::Exists(alice.CacheFolder()));
    EXPECT_FALSE(alice.UserKeyExists());
    EXPECT_TRUE(alice.SettingsKeyExists()) << "only /purge takes the settings";
    EXPECT_FALSE(fixture::Exists(bob.CacheFolder()));
    EXPECT_TRUE(fixture::Exists(bob.Folder() + L"\\NTUSER.DAT"));
    EXPECT_EQ(fixture::SubKeyNames(HKEY_USERS), mountsBefore) << "bob's hive is unloaded again";
    EXPECT_TRUE(product.CanariesIntact());

    EXPECT_TRUE(HasLine(run.log,
                        L"profile " + std::wstring(kAlice) + L" (C:\\users\\alice): its registry is loaded"));
    EXPECT_TRUE(HasLine(run.log, L"profile " + std::wstring(kBob) +
                                     L" (C:\\users\\bob): its registry was loaded from NTUSER.DAT"));
    EXPECT_TRUE(
        HasLine(run.log, L"  map cache folder of " + std::wstring(kBob) + L": found " + bob.CacheFolder()));
    EXPECT_TRUE(HasLine(run.log, L"  removed the map cache folder of " + std::wstring(kBob) + L": " +
                                     bob.CacheFolder()));
    EXPECT_TRUE(HasLine(run.log, L"  key deleted: HKEY_USERS\\" + std::wstring(kBob) +
                                     L"\\Software\\Korami\\TeaAtlas"));
    EXPECT_TRUE(HasLine(run.log, L"  key deleted: HKEY_USERS\\" + std::wstring(kAlice) +
                                     L"\\Software\\Korami\\TeaAtlas"));
    EXPECT_TRUE(HasLine(run.log, L"  key deleted: HKEY_USERS\\" + fixture::CurrentUserSid() +
                                     L"\\Software\\Korami\\TeaAtlas"));
}

TEST_F(UnattendedRunTest, ProfilesWithoutAHiveAreSkippedAndOneThatCannotBeLoadedFailsTheRunAtTheEnd)
{
    InstalledProduct product(3);
    product.WithAppFolder().WithCacheFolder();
    OtherProfile carol(kCarol, L"carol", OtherProfile::Hive::None, 3);
    OtherProfile dave(kDave, L"dave", OtherProfile::Hive::Damaged, 3);
    fixture::ProfileEntry service(kService, L"C:\\windows\\ServiceProfiles\\svc");
    const std::vector<std::wstring> mountsBefore = fixture::SubKeyNames(HKEY_USERS);

    const UnattendedResult run = RemoveTea();

    EXPECT_EQ(run.exitCode, 1603);
    // Everything else is done all the same.
    EXPECT_FALSE(product.AnyPieceOnDisk());
    EXPECT_FALSE(product.MachineKeyExists());
    EXPECT_FALSE(product.UserKeyExists());
    // Dave's cache stays: only his own hive could say where it is.
    EXPECT_TRUE(fixture::Exists(dave.CacheFolder()));
    EXPECT_EQ(fixture::CountFiles(carol.Folder()), 0) << "nothing is created for carol";
    EXPECT_EQ(fixture::SubKeyNames(HKEY_USERS), mountsBefore);
    EXPECT_TRUE(HasLine(run.log,
                        L"profile " + std::wstring(kCarol) + L" (C:\\users\\carol): no NTUSER.DAT, skipped"));
    EXPECT_TRUE(HasLine(run.log, L"profile " + std::wstring(kService) +
                                     L" (C:\\windows\\ServiceProfiles\\svc): a service account, skipped"));
    EXPECT_TRUE(HasLine(run.log, L"profile " + std::wstring(kDave) +
                                     L" (C:\\users\\dave): its registry cannot be loaded, its pieces stay "
                                     L"(Windows error 1017)"));
    EXPECT_EQ(run.log.back(), L"exit code 1603: failed");
}

// Windows leaves "<SID>.bak" entries behind after a temporary profile, naming the same folder. That
// folder's NTUSER.DAT is visited once: on Windows a second load of a hive that is loaded fails, and
// the run would end with 1603 for pieces that are gone.
TEST_F(UnattendedRunTest, AProfileFolderThatTwoEntriesNameIsVisitedOnce)
{
    InstalledProduct product(3);
    product.WithCacheFolder();
    OtherProfile alice(kAlice, L"alice", OtherProfile::Hive::LoggedOn, 3);
    // Wine's RemoveDirectoryW leaves a directory link made by "ln -s" in place; the temporary
    // folder's removal takes it as itself.
    const fixture::TempFolder root;
    const std::wstring again = root / L"alice-again";
    ASSERT_TRUE(fixture::MakeDirectoryLink(again, alice.Folder()));
    fixture::ProfileEntry stale(std::wstring(kAlice) + L".bak", again);
    fixture::ProfileEntry spelled(std::wstring(kAlice) + L".old", L"C:\\Users\\ALICE");
    const std::vector<std::wstring> mountsBefore = fixture::SubKeyNames(HKEY_USERS);

    const UnattendedResult run = RemoveTea();

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(fixture::Exists(alice.CacheFolder()));
    EXPECT_FALSE(alice.UserKeyExists());
    EXPECT_EQ(fixture::SubKeyNames(HKEY_USERS), mountsBefore);
    EXPECT_TRUE(HasLine(run.log, L"profile " + std::wstring(kAlice) + L".bak (" + again +
                                     L"): the same folder as profile " + kAlice + L", skipped"));
    EXPECT_TRUE(HasLine(run.log, L"profile " + std::wstring(kAlice) +
                                     L".old (C:\\Users\\ALICE): the same folder as profile " + kAlice +
                                     L", skipped"));
    EXPECT_TRUE(fixture::Exists(alice.Folder() + L"\\NTUSER.DAT"));
}

TEST_F(UnattendedRunTest, PurgeTakesEveryProfilesSettingsKeyOnceNothingOfTheSeriesIsLeft)
{
    InstalledProduct product(3);
    fixture::SetString(HKEY_CURRENT_USER, products::kSettingsKey, L"Mark", L"current");
    OtherProfile alice(kAlice, L"alice", OtherProfile::Hive::LoggedOn, 3);
    ASSERT_TRUE(alice.SettingsKeyExists());

    const UnattendedResult run = Run(L"/quiet /remove all /purge");

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(alice.SettingsKeyExists());
    EXPECT_FALSE(fixture::KeyExists(HKEY_CURRENT_USER, products::kSettingsKey));
    EXPECT_TRUE(HasLine(run.log, L"settings key deleted: HKEY_USERS\\" + std::wstring(kAlice) +
                                     L"\\Software\\KORAMI\\KartixNet\\PC"));
}

// What waits for the restart: Windows deletes it later by its path, with full rights.

TEST_F(UnattendedRunTest, AFileInUseInAUsersCacheFolderIsNeverLeftForTheRestart)
{
    InstalledProduct product(3);
    product.WithCacheFolder();
    const std::wstring locked = product.CacheFolder() + L"\\tiles\\0.dat";
    fixture::LockedFile lock(locked);

    const UnattendedResult run = RemoveTea();

    EXPECT_EQ(run.exitCode, 1603);
    EXPECT_EQ(PendingDeletes(), L"");
    EXPECT_TRUE(fixture::Exists(locked));
    EXPECT_TRUE(
        HasLine(run.log, L"  in use and left, not deleted at the next restart because it lies in a folder "
                         L"its user controls: " +
                             locked));
    EXPECT_TRUE(HasLine(run.log, L"  the map cache folder of " + fixture::CurrentUserSid() +
                                     L" is still there: " + product.CacheFolder()));
}

TEST_F(UnattendedRunTest, AFileInUseUnderAFolderOrdinaryUsersCanChangeIsNeverLeftForTheRestart)
{
    // An application folder outside Program Files inherits write access for ordinary users.
    InstalledProduct product(3);
    fixture::TempFolder outside;
    const std::wstring app = outside / L"TeaAtlas";
    ASSERT_TRUE(fixture::MakeFolder(app + L"\\sub"));
    ASSERT_TRUE(fixture::LetEveryoneWrite(app + L"\\sub"));
    fixture::MakeFile(app + L"\\sub\\TeaAtlas.exe");
    product.SetInstallPath(app);
    fixture::LockedFile lock(app + L"\\sub\\TeaAtlas.exe");

    const UnattendedResult run = RemoveTea();

    EXPECT_EQ(run.exitCode, 1603);
    EXPECT_EQ(PendingDeletes(), L"");
    EXPECT_TRUE(HasLineStarting(run.log,
                                L"  in use and left, not deleted at the next restart because someone other "
                                L"than SYSTEM and the administrators may change a folder on its way: "));
}

// The log: the run is elevated, its log's place may be one where others write.

TEST_F(UnattendedRunTest, ALogThatIsALinkOrHasOtherNamesIsRefusedWith1622AndNothingIsDeleted)
{
    InstalledProduct product(3);
    product.WithAppFolder();
    fixture::TempFolder elsewhere;
    fixture::MakeFile(elsewhere / L"system.ini", "keep");
    fixture::MakeFolder(elsewhere / L"target");
    ASSERT_TRUE(fixture::MakeDirectoryLink(m_logs / L"through", elsewhere / L"target"));
    ASSERT_TRUE(fixture::MakeHardLink(m_logs / L"hard.log", elsewhere / L"system.ini"));

    for (const std::wstring& log : {m_logs / L"through\\run.log", m_logs / L"hard.log"}) {
        const std::wstring commandLine = L"/quiet /remove 茶房ガイド";
        EXPECT_EQ(RunUnattended(commandLine, log).exitCode, 1622) << fixture::ToCp932(log).GetString();
    }
    EXPECT_FALSE(fixture::Exists(elsewhere / L"target\\run.log"))
        << "the refused log is not left behind the link";
    EXPECT_EQ(fixture::ReadBytes(elsewhere / L"system.ini"), "keep");
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(product.MachineKeyExists());
}

TEST_F(UnattendedRunTest, ALogInAFolderThatDoesNotExistYetIsWrittenThere)
{
    const UnattendedResult run = RunUnattended(L"/list", m_logs / L"new\\folder\\run.log");
    EXPECT_EQ(run.exitCode, 1605);
    EXPECT_EQ(run.log.back(), L"exit code 1605: not installed");
}

TEST_F(UnattendedRunTest, TheDefaultLogLivesInTheProgramsHomeWhichOnlyAdministratorsMayChange)
{
    const CommandLine list = ParseCommandLine(SplitArguments(L"SeriesClean.exe /list"));
    EXPECT_EQ(RunCommandLine(list), 1605);
    // %SystemRoot% is C:\windows here.
    const std::vector<std::wstring> lines =
        fixture::LogLines(L"C:\\windows\\Logs\\SeriesClean\\SeriesClean.log");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), L"exit code 1605: not installed");
    for (const std::wstring& account : fixture::WhoMayChange(L"C:\\windows\\Logs\\SeriesClean")) {
        EXPECT_TRUE(account == L"S-1-5-18" || account == L"S-1-5-32-544" ||
                    account == fixture::CurrentUserSid())
            << fixture::ToCp932(account).GetString();
    }
}

// Running: as SYSTEM, FindWindow sees no user's desktop.

TEST_F(UnattendedRunTest, AProgramRunningFromTheApplicationFolderWithoutAWindowBlocksTheRun)
{
    InstalledProduct product(3);
    product.WithAppFolder();
    const std::wstring copy = product.AppFolder() + L"\\data\\TeaAtlasService.exe";
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\sc_idle.exe").c_str(), copy.c_str(), FALSE));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + copy + L"\"";
    ASSERT_TRUE(CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));

    const UnattendedResult run = RemoveTea();

    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(run.exitCode, 1618);
    EXPECT_TRUE(HasLine(run.log, L"running, nothing deleted: 茶房ガイド"));
    EXPECT_TRUE(product.MachineKeyExists());
    EXPECT_TRUE(fixture::Exists(product.AppFolder() + L"\\file0.dat"));
}

// The lock: anyone may create objects in the global namespace.

TEST_F(UnattendedRunTest, ALockObjectAnotherAccountMadeDoesNotBlockARun)
{
    InstalledProduct product(3);
    product.WithAppFolder();
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"O:S-1-5-21-1111-2222-3333-1001D:(A;;GA;;;WD)", SDDL_REVISION_1, &sd, nullptr));
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), sd, FALSE};
    const win32::KernelHandle squatted(CreateMutexW(&attributes, FALSE, L"Global\\SeriesClean.Running"));
    LocalFree(sd);
    ASSERT_TRUE(squatted.IsValid());

    const UnattendedResult run = RemoveTea();

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(HasLine(
        run.log, L"an object named like the program's lock, made by another account, was passed over"));
}

TEST_F(UnattendedRunTest, ALockAnotherCopyHoldsBlocksTheRun)
{
    InstalledProduct product(3);
    product.WithAppFolder();
    const win32::CAdministratorsLock otherCopy(L"Global\\SeriesClean.Running", m_logs / L"lock");
    const UnattendedResult run = RemoveTea();
    EXPECT_EQ(run.exitCode, 1618);
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
}

// Honest endings: the disk and the registry are looked at again.

TEST_F(UnattendedRunTest, AFolderHeldOpenWithoutDeleteSharingIsNotReportedAsRemoved)
{
    InstalledProduct product(3);
    product.WithCacheFolder();
    const std::wstring held = product.CacheFolder() + L"\\tiles";
    // As another program's current folder: open, shared for reading and writing but not deleting.
    const win32::KernelHandle folder(CreateFileW(held.c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(folder.IsValid());

    const UnattendedResult run = RemoveTea();

    EXPECT_EQ(run.exitCode, 1603);
    EXPECT_TRUE(fixture::Exists(held));
    EXPECT_EQ(fixture::CountFiles(held), 0) << "emptied";
    EXPECT_TRUE(HasLineStarting(run.log,
                                L"  held open by another program and left, not deleted at the next restart "
                                L"because it lies in a folder its user controls: "));
}

TEST_F(UnattendedRunTest, AKeyThatExistsButCannotBeDeletedFailsTheRun)
{
    InstalledProduct product(3);
    fixture::UndeletableSubKey locked(HKEY_CURRENT_USER, product.Catalog().userKey);
    ASSERT_TRUE(locked.Made());
    const UnattendedResult run = RemoveTea();
    EXPECT_EQ(run.exitCode, 1603);
    EXPECT_TRUE(product.UserKeyExists());
    EXPECT_TRUE(HasLineStarting(run.log, L"  key could not be deleted: HKEY_USERS\\" +
                                             fixture::CurrentUserSid() +
                                             L"\\Software\\Korami\\TeaAtlas (Windows error "));
}

// The way back: every key an unattended run deletes, every profile's included, is in one .reg file
// the log names, and without that file nothing is deleted.

TEST_F(UnattendedRunTest, EveryKeyOfEveryProfileComesBackWithImport)
{
    InstalledProduct product(3);
    product.WithAllPieces();
    const products::Row& row = product.Catalog();
    OtherProfile alice(kAlice, L"alice", OtherProfile::Hive::LoggedOn, 3);
    const std::wstring aliceKey = std::wstring(kAlice) + L"\\" + row.userKey;
    WriteOddValues(HKEY_LOCAL_MACHINE, row.machineKey, products::kMachineView);
    WriteOddValues(HKEY_USERS, aliceKey);
    const auto machine = TreeOf(HKEY_LOCAL_MACHINE, row.machineKey, products::kMachineView);
    const auto aliceTree = TreeOf(HKEY_USERS, aliceKey);
    const auto user = TreeOf(HKEY_CURRENT_USER, row.userKey);

    const UnattendedResult run = RemoveTea();

    EXPECT_EQ(run.exitCode, 0);
    ASSERT_FALSE(product.MachineKeyExists());
    ASSERT_FALSE(alice.UserKeyExists());
    std::wstring file;
    for (const std::wstring& line : run.log) {
        if (line.rfind(L"  registry backup: ", 0) == 0)
            file = line.substr(19);
    }
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file.rfind(BackupFolderPath() + L"\\", 0), 0u);
    ASSERT_TRUE(ImportRegFile(file));
    EXPECT_EQ(TreeOf(HKEY_LOCAL_MACHINE, row.machineKey, products::kMachineView), machine);
    EXPECT_EQ(TreeOf(HKEY_USERS, aliceKey), aliceTree);
    EXPECT_EQ(TreeOf(HKEY_CURRENT_USER, row.userKey), user);
}

TEST_F(UnattendedRunTest, WithoutABackupNothingIsDeletedAndTheRunFails)
{
    InstalledProduct product(3);
    product.WithAllPieces();
    const BlockedBackupFolder blocked;
    const UnattendedResult run = RemoveTea();
    EXPECT_EQ(run.exitCode, 1603);
    EXPECT_TRUE(product.MachineKeyExists());
    EXPECT_TRUE(product.UserKeyExists());
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(fixture::Exists(product.CacheFolder()));
    EXPECT_TRUE(HasLineStarting(run.log, L"  nothing deleted: the registry backup failed, the folder " +
                                             BackupFolderPath() + L" cannot be used: it is not a folder"));
}

// The dry run: what a real run would delete, and nothing deleted.

TEST_F(UnattendedRunTest, ADryRunNamesEveryPieceAndKeyAndChangesNothing)
{
    InstalledProduct product(3);
    product.WithAllPieces();
    OtherProfile alice(kAlice, L"alice", OtherProfile::Hive::LoggedOn, 3);
    const products::Row& row = product.Catalog();
    const auto machine = TreeOf(HKEY_LOCAL_MACHINE, L"Software\\Korami", products::kMachineView);
    const auto user = TreeOf(HKEY_CURRENT_USER, L"Software\\Korami");
    const int files = fixture::CountFiles(product.AppFolder()) + fixture::CountFiles(product.CacheFolder()) +
                      fixture::CountFiles(alice.CacheFolder());
    const std::set<std::wstring> backups = BackupFiles();

    const UnattendedResult run = Run(L"/whatif /quiet /remove 茶房ガイド /purge");

    EXPECT_EQ(run.exitCode, 1639) << "/purge goes with all only";
    const UnattendedResult dry = Run(L"/quiet /remove 茶房ガイド /whatif");
    EXPECT_EQ(dry.exitCode, 0);
    EXPECT_EQ(TreeOf(HKEY_LOCAL_MACHINE, L"Software\\Korami", products::kMachineView), machine);
    EXPECT_EQ(TreeOf(HKEY_CURRENT_USER, L"Software\\Korami"), user);
    EXPECT_TRUE(alice.UserKeyExists());
    EXPECT_TRUE(product.UninstallKeyExists());
    EXPECT_EQ(fixture::CountFiles(product.AppFolder()) + fixture::CountFiles(product.CacheFolder()) +
                  fixture::CountFiles(alice.CacheFolder()),
              files);
    EXPECT_TRUE(fixture::Exists(product.StartMenuFolder()));
    EXPECT_TRUE(fixture::Exists(product.DesktopLink()));
    EXPECT_TRUE(fixture::Exists(product.SetupInfoFolder()));
    EXPECT_TRUE(NewBackupFiles(backups).empty()) << "a dry run writes no backup";

    const std::wstring me = fixture::CurrentUserSid();
    for (const std::wstring& line : std::vector<std::wstring>{
             L"  would remove the Start menu folder: " + product.StartMenuFolder(),
             L"  would remove the desktop shortcut: " + product.DesktopLink(),
             L"  would remove the setup information folder: " + product.SetupInfoFolder(),
             L"  would remove the map cache folder of " + me + L": " + product.CacheFolder(),
             L"  would remove the map cache folder of " + std::wstring(kAlice) + L": " + alice.CacheFolder(),
             std::wstring(
                 L"  would delete the key: HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Korami\\TeaAtlas"),
             L"  would delete the key: HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\"
             L"CurrentVersion\\Uninstall\\" +
                 row.guid,
             L"  would delete the key: HKEY_USERS\\" + me + L"\\Software\\Korami\\TeaAtlas",
             L"  would delete the key: HKEY_USERS\\" + std::wstring(kAlice) + L"\\Software\\Korami\\TeaAtlas",
         })
        EXPECT_TRUE(HasLine(dry.log, line)) << fixture::ToCp932(line).GetString();
    EXPECT_TRUE(HasLineStarting(dry.log, L"  would remove the application folder: "));
}

TEST_F(UnattendedRunTest, ADryRunRefusesAsARealRunWould)
{
    InstalledProduct product(3);
    product.WithAppFolder();
    EXPECT_EQ(Run(L"/quiet /remove {00000000-0000-0000-0000-000000000000} /whatif").exitCode, 1605);
    {
        MessageBoxRecorder boxes; // a command line that is not quiet gets the usage box
        EXPECT_EQ(Run(L"/whatif /list").exitCode, 1639);
        EXPECT_EQ(Run(L"/remove all /whatif").exitCode, 1639) << "quiet only";
        EXPECT_EQ(boxes.Count(), 2u);
    }
    {
        const win32::CAdministratorsLock otherCopy(L"Global\\SeriesClean.Running", m_logs / L"lock");
        EXPECT_EQ(Run(L"/quiet /remove all /whatif").exitCode, 1618);
    }
    {
        ScopedPlatform standardUser(1, 0);
        EXPECT_EQ(Run(L"/quiet /remove all /whatif").exitCode, 5);
    }
    EXPECT_TRUE(fixture::Exists(product.AppFolder() + L"\\file0.dat"));
}
