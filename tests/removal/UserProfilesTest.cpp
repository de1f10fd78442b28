#include "removal/UserProfiles.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <set>

using fixture::kAliceSid;
using fixture::kProfileList;
using fixture::kShellFolders;

namespace {

// Wine's one registered profile: the user the prefix runs as, whose hive is HKEY_CURRENT_USER.
const wchar_t kRunningUserSid[] = L"S-1-5-21-0-0-0-1000";
const wchar_t kHiveSource[] = L"Software\\SeriesCleanHiveSource";

std::set<std::wstring> AsSet(const std::vector<std::wstring>& folders)
{
    return std::set<std::wstring>(folders.begin(), folders.end());
}

// The folder registered for sid, or "(none)".
std::wstring FolderOf(const std::vector<UserProfile>& profiles, const std::wstring& sid)
{
    for (const UserProfile& profile : profiles) {
        if (profile.m_sid == sid)
            return profile.m_folder;
    }
    return L"(none)";
}

std::wstring ReadString(HKEY key, const wchar_t* name)
{
    wchar_t buffer[MAX_PATH] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"(missing)";
    return buffer;
}

} // namespace

TEST(UserProfilesTest, EveryEntryWithALocalFolderIsAProfile)
{
    fixture::ProfileEntry alice(kAliceSid, L"%SystemDrive%\\users\\alice", REG_EXPAND_SZ);
    fixture::ProfileEntry service(L"S-1-5-80-1-2-3-4-5", L"C:/windows/ServiceProfiles/svc/", REG_SZ);
    fixture::ProfileEntry noPath(L"S-1-5-21-1111-2222-3333-1002", L"", REG_NONE);
    fixture::ProfileEntry empty(L"S-1-5-21-1111-2222-3333-1003", L"", REG_EXPAND_SZ);
    fixture::ProfileEntry relative(L"S-1-5-21-1111-2222-3333-1004", L"users\\carol", REG_SZ);
    fixture::ProfileEntry number(L"S-1-5-21-1111-2222-3333-1005", L"", REG_NONE);
    fixture::SetDword(HKEY_LOCAL_MACHINE, number.Key(), L"ProfileImagePath", 1);

    const std::vector<UserProfile> profiles = RegisteredProfiles();
    EXPECT_EQ(FolderOf(profiles, kRunningUserSid), L"C:\\users\\root");
    EXPECT_EQ(FolderOf(profiles, kAliceSid), L"C:\\users\\alice");
    EXPECT_EQ(FolderOf(profiles, L"S-1-5-80-1-2-3-4-5"), L"C:\\windows\\ServiceProfiles\\svc");
    for (const wchar_t* skipped : {L"S-1-5-21-1111-2222-3333-1002", L"S-1-5-21-1111-2222-3333-1003",
                                   L"S-1-5-21-1111-2222-3333-1004", L"S-1-5-21-1111-2222-3333-1005"})
        EXPECT_EQ(FolderOf(profiles, skipped), L"(none)") << skipped;
}

TEST(UserProfilesTest, ServiceAccountsAreTheWellKnownAndThePerServiceSids)
{
    for (const wchar_t* sid : {L"S-1-5-18", L"S-1-5-19", L"S-1-5-20",
                               L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                               L"S-1-5-82-3006700770-424185619-1745488364-794895919-4004696415"})
        EXPECT_TRUE(IsServiceAccountSid(sid)) << sid;
    // Other accounts, and SIDs that only begin like a service account's.
    for (const wchar_t* sid : {L"S-1-5-21-0-0-0-1000", L"S-1-5-180", L"S-1-5-18-1", L"S-1-5-201", L"S-1-5-2",
                               L"S-1-5-800-1", L"S-1-5-32-544", L""})
        EXPECT_FALSE(IsServiceAccountSid(sid)) << sid;
}

TEST(UserProfilesTest, TheDefaultProfileIsTheDefaultValueElseBelowTheProfilesDirectory)
{
    // Wine's ProfileList has no "Default" and "ProfilesDirectory" is C:\users.
    EXPECT_EQ(DefaultProfileFolder(), L"C:\\users\\Default");
    {
        const fixture::ScopedValue profiles(HKEY_LOCAL_MACHINE, kProfileList, L"ProfilesDirectory",
                                            REG_EXPAND_SZ, L"%SystemDrive%\\Profiles\\");
        EXPECT_EQ(DefaultProfileFolder(), L"C:\\Profiles\\Default");
    }
    const fixture::ScopedValue value(HKEY_LOCAL_MACHINE, kProfileList, L"Default", REG_EXPAND_SZ,
                                     L"%SystemDrive%\\sctest\\DefaultProfile");
    EXPECT_EQ(DefaultProfileFolder(), L"C:\\sctest\\DefaultProfile");
}

TEST(UserProfilesTest, StandardFoldersComeFromTheProfilesOwnHiveBesideTheirDefaultPlaces)
{
    const UserProfile alice{kAliceSid, L"C:\\users\\alice"};
    const std::set<std::wstring> defaults = {
        L"C:\\users\\alice\\Desktop",        L"C:\\users\\alice\\Documents",
        L"C:\\users\\alice\\Downloads",      L"C:\\users\\alice\\Music",
        L"C:\\users\\alice\\Pictures",       L"C:\\users\\alice\\Videos",
        L"C:\\users\\alice\\Favorites",      L"C:\\users\\alice\\AppData\\Roaming",
        L"C:\\users\\alice\\AppData\\Local", L"C:\\users\\alice\\AppData\\LocalLow",
    };
    EXPECT_EQ(AsSet(ProfileStandardFolders(alice)), defaults) << "no hive loaded";

    // Her hive, loaded as Windows loads a logged-on user's. %USERPROFILE% is her folder, not the
    // caller's C:\users\root; a share is no local folder.
    fixture::TempFolder root;
    const std::wstring source = std::wstring(kHiveSource) + L"\\" + kShellFolders;
    fixture::SetExpandString(HKEY_CURRENT_USER, source, L"Personal", L"%USERPROFILE%\\Unusual\\Docs");
    fixture::SetExpandString(HKEY_CURRENT_USER, source, L"AppData", L"%userprofile%\\Roam\\..\\Roaming2");
    fixture::SetString(HKEY_CURRENT_USER, source, L"My Music", L"D:\\Music");
    fixture::SetString(HKEY_CURRENT_USER, source, L"Desktop", L"\\\\server\\share\\alice\\Desktop");
    fixture::SetExpandString(HKEY_CURRENT_USER, source, L"{374DE290-123F-4565-9164-39C4925E467B}",
                             L"%SystemDrive%\\Data\\alice\\Downloads");
    ASSERT_TRUE(fixture::SaveHive(HKEY_CURRENT_USER, kHiveSource, root / L"alice.dat"));
    fixture::DeleteKey(HKEY_CURRENT_USER, kHiveSource);
    const fixture::LoadedHive hive(kAliceSid, root / L"alice.dat");

    std::set<std::wstring> expected = defaults;
    expected.insert({L"C:\\users\\alice\\Unusual\\Docs", L"C:\\users\\alice\\Roaming2", L"D:\\Music",
                     L"C:\\Data\\alice\\Downloads"});
    EXPECT_EQ(AsSet(ProfileStandardFolders(alice)), expected);
}

TEST(UserHiveTest, AHiveWindowsHasLoadedIsUsedAndStaysLoaded)
{
    const wchar_t key[] = L"Software\\SeriesCleanHiveTest";
    fixture::SetString(HKEY_CURRENT_USER, key, L"Mark", L"current user");
    {
        CUserHive hive;
        ASSERT_EQ(hive.Open({kRunningUserSid, L"C:\\users\\root"}), CUserHive::State::Loaded);
        EXPECT_EQ(hive.RegistryName(), L"HKEY_USERS\\S-1-5-21-0-0-0-1000");
        HKEY opened = nullptr;
        ASSERT_EQ(RegOpenKeyExW(hive.Root(), key, 0, KEY_READ, &opened), ERROR_SUCCESS);
        EXPECT_EQ(ReadString(opened, L"Mark"), L"current user");
        RegCloseKey(opened);
    }
    EXPECT_TRUE(fixture::ValueExists(HKEY_USERS, std::wstring(kRunningUserSid) + L"\\" + key, L"Mark"));
    fixture::DeleteKey(HKEY_CURRENT_USER, key);
}

TEST(UserHiveTest, AnNtuserDatIsLoadedForTheOwnersLifetimeOnly)
{
    fixture::TempFolder profile;
    fixture::SetString(HKEY_CURRENT_USER, std::wstring(kHiveSource) + L"\\Software\\Korami", L"Mark",
                       L"from file");
    ASSERT_TRUE(fixture::SaveHive(HKEY_CURRENT_USER, kHiveSource, profile / L"NTUSER.DAT"));
    fixture::DeleteKey(HKEY_CURRENT_USER, kHiveSource);
    const std::vector<std::wstring> before = fixture::SubKeyNames(HKEY_USERS);
    {
        CUserHive hive;
        ASSERT_EQ(hive.Open({kAliceSid, profile.Path()}), CUserHive::State::LoadedByUs);
        EXPECT_EQ(hive.RegistryName(), L"HKEY_USERS\\S-1-5-21-1111-2222-3333-1001");
        HKEY opened = nullptr;
        ASSERT_EQ(RegOpenKeyExW(hive.Root(), L"Software\\Korami", 0, KEY_READ, &opened), ERROR_SUCCESS);
        EXPECT_EQ(ReadString(opened, L"Mark"), L"from file");
        RegCloseKey(opened);
        EXPECT_NE(fixture::SubKeyNames(HKEY_USERS), before);
        // The privileges were the thread's, for the load only.
        EXPECT_FALSE(fixture::ThreadHasToken());
        EXPECT_FALSE(fixture::ProcessPrivilegeEnabled(L"SeRestorePrivilege"));
        EXPECT_FALSE(fixture::ProcessPrivilegeEnabled(L"SeBackupPrivilege"));
    }
    EXPECT_EQ(fixture::SubKeyNames(HKEY_USERS), before) << "the hive is unloaded";
    EXPECT_FALSE(fixture::ThreadHasToken());
    EXPECT_FALSE(fixture::ProcessPrivilegeEnabled(L"SeRestorePrivilege"));

    CUserHive again;
    ASSERT_EQ(again.Open({kAliceSid, profile.Path()}), CUserHive::State::LoadedByUs);
    EXPECT_TRUE(again.Close());
    EXPECT_EQ(again.GetState(), CUserHive::State::Closed);
    EXPECT_EQ(again.Root(), nullptr);
    EXPECT_EQ(fixture::SubKeyNames(HKEY_USERS), before);
}

TEST(UserHiveTest, WithoutAUsableNtuserDatNothingIsLoadedOrLeftBehind)
{
    fixture::TempFolder missing;
    fixture::TempFolder damaged;
    fixture::MakeFile(damaged / L"NTUSER.DAT", "not a hive");
    const std::vector<std::wstring> before = fixture::SubKeyNames(HKEY_USERS);

    CUserHive hive;
    EXPECT_EQ(hive.Open({kAliceSid, missing.Path()}), CUserHive::State::NoHive);
    EXPECT_EQ(hive.Root(), nullptr);
    EXPECT_EQ(fixture::SubKeyNames(HKEY_USERS), before);
    EXPECT_EQ(fixture::CountFiles(missing.Path()), 0);

    // Wine refuses the file but leaves the name it was to be loaded under.
    EXPECT_EQ(hive.Open({kAliceSid, damaged.Path()}), CUserHive::State::Failed);
    EXPECT_EQ(hive.GetError(), ERROR_NOT_REGISTRY_FILE);
    EXPECT_EQ(hive.Root(), nullptr);
    EXPECT_EQ(fixture::SubKeyNames(HKEY_USERS), before);
}
