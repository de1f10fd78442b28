#include "catalog/ProductCatalog.h"
#include "removal/ProtectedFolders.h"
#include "removal/Survey.h"
#include "support/Fixtures.h"
#include "support/InstalledProduct.h"
#include "framework/Handles.h"

#include <gtest/gtest.h>
#include <knownfolders.h>

using fixture::AsciiLower;
using fixture::ToCp932;

TEST(ProtectedFoldersTest, FoldersAboveProtectedOnesAreKnownByIdentityThroughLinks)
{
    fixture::TempFolder root;
    const std::wstring documents = fixture::KnownFolder(FOLDERID_PublicDocuments);
    const std::wstring users = fixture::KnownFolder(FOLDERID_UserProfiles);
    fixture::MakeFolder(root / L"plain");
    // Above Public\Documents, and above every profile: nothing in their text says so.
    fixture::MakeDirectoryLink(root / L"public", documents.substr(0, documents.find_last_of(L'\\')));
    fixture::MakeDirectoryLink(root / L"users", users);
    fixture::MakeDirectoryLink(root / L"drive", L"C:\\");
    fixture::MakeDirectoryLink(root / L"toplain", root / L"plain");

    const CProtectedFolders folders;
    EXPECT_TRUE(folders.IsProtected(ToCp932(root / L"public")));
    EXPECT_TRUE(folders.IsProtected(ToCp932(root / L"users")));
    EXPECT_TRUE(folders.IsProtected(ToCp932(root / L"drive")));
    EXPECT_TRUE(folders.IsProtected("C:\\"));
    EXPECT_TRUE(folders.IsProtected("C:"));
    EXPECT_TRUE(folders.IsProtected(""));
    EXPECT_TRUE(folders.IsProtected("\\\\.\\C:\\sctest"));
    EXPECT_TRUE(folders.IsProtected(ToCp932(root / L"drive\\users")));
    // Ordinary folders, by their own path or through a link, and paths that name nothing.
    EXPECT_FALSE(folders.IsProtected(ToCp932(root / L"plain")));
    EXPECT_FALSE(folders.IsProtected(ToCp932(root / L"toplain")));
    EXPECT_FALSE(folders.IsProtected(ToCp932(root / L"missing")));
    EXPECT_FALSE(folders.IsProtected(ToCp932(documents + L"\\SeriesCleanMissing")));
}

using fixture::kAliceSid;
using fixture::kBobSid;
using fixture::kProfileList;
using fixture::kShellFolders;

namespace {

const wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// What the survey makes of an InstallPath: the application folder's target and state.
struct AppFolderSurvey
{
    CString target;
    PieceState state;
};

AppFolderSurvey SurveyInstallPath(const std::wstring& installPath)
{
    InstalledProduct product(3);
    product.SetInstallPath(installPath);
    CProductCatalog catalog;
    catalog.Fill();
    RemovalJob job;
    PieceState states[SLOT_COUNT] = {};
    SurveyRemoval(catalog.GetEntry(2), job, states);
    return {job.m_strTarget[SLOT_APP_FOLDER], states[SLOT_APP_FOLDER]};
}

} // namespace

TEST(ProtectedFoldersTest, NothingInsideTheWindowsFolderIsATargetHoweverItIsSpelled)
{
    fixture::TempFolder root;
    fixture::TempFolder deep(L"C:\\windows\\system32\\drivers\\etc\\SeriesCleanDeep");
    fixture::MakeFolder(deep / L"a\\b");
    fixture::MakeDirectoryLink(root / L"system", L"C:\\windows\\system32");
    // Beside the Windows folder, beginning like it: no part of it.
    fixture::TempFolder beside(L"C:\\windowsSeriesClean");
    wchar_t shortName[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameW(L"C:\\windows\\globalization", shortName, MAX_PATH), 0u);
    ASSERT_STRNE(shortName, L"C:\\windows\\globalization");

    const CProtectedFolders folders;
    for (const std::wstring& path : {
             std::wstring(L"C:\\Windows\\System32\\drivers"),
             std::wstring(L"C:\\Windows\\System32\\drivers\\etc"),
             std::wstring(L"C:\\WINDOWS\\SYSTEM32\\DRIVERS\\ETC"),
             std::wstring(L"C:\\Windows\\System32\\..\\System32\\drivers\\."),
             std::wstring(L"C:\\sctest\\..\\Windows\\System32\\drivers\\etc"),
             deep / L"a\\b",
             root / L"system\\drivers\\etc",
             root / L"system\\SeriesCleanMissing",
             std::wstring(shortName),
             std::wstring(L"C:\\Windows\\Sysnative"),
             std::wstring(L"C:\\Windows\\Sysnative\\drivers\\etc"),
             std::wstring(L"C:\\Windows\\SeriesCleanMissing\\deeper"),
         })
        EXPECT_TRUE(folders.IsProtected(ToCp932(path))) << ToCp932(path).GetString();
    EXPECT_FALSE(folders.IsProtected(ToCp932(beside.Path())));
    EXPECT_FALSE(folders.IsProtected(ToCp932(root.Path())));
}

TEST(ProtectedFoldersTest, AnInstallPathInsideTheWindowsFolderIsRefused)
{
    fixture::TempFolder root;
    fixture::TempFolder pc(L"C:\\windows\\system32\\drivers\\etc\\PC");
    fixture::MakeFile(pc / L"atlas.sys");
    fixture::MakeDirectoryLink(root / L"system", L"C:\\windows\\system32");
    for (const std::wstring& path : {pc.Path(), root / L"system\\drivers\\etc\\PC"}) {
        const AppFolderSurvey survey = SurveyInstallPath(path);
        EXPECT_EQ(survey.state, PieceState::Protected) << ToCp932(path).GetString();
    }
    EXPECT_TRUE(fixture::Exists(pc / L"atlas.sys"));
}

TEST(ProtectedFoldersTest, APcFolderInProgramFilesOrCommonFilesStandsOnlyForItself)
{
    for (const wchar_t* folder :
         {L"C:\\Program Files", L"C:\\Program Files (x86)", L"C:\\Program Files\\Common Files",
          L"C:\\Program Files (x86)\\Common Files"}) {
        const fixture::TempFolder pc(std::wstring(folder) + L"\\PC");
        fixture::MakeFile(pc / L"atlas.exe");
        const AppFolderSurvey survey = SurveyInstallPath(pc.Path());
        EXPECT_EQ(survey.target, ToCp932(AsciiLower(pc.Path())));
        EXPECT_EQ(survey.state, PieceState::Found) << ToCp932(pc.Path()).GetString();
    }
}

namespace {

struct ProgramFilesValue
{
    const wchar_t* name;
    DWORD type;
};

class ProgramFilesValueTest : public testing::TestWithParam<ProgramFilesValue>
{
};

void PrintTo(const ProgramFilesValue& value, std::ostream* os)
{
    *os << ToCp932(value.name).GetString();
}

} // namespace

// A 32-bit build on 64-bit Windows has no known folder for the 64-bit Program Files and Common
// Files folders: the registry's 64-bit view names them.
TEST_P(ProgramFilesValueTest, NamesAProtectedFolder)
{
    fixture::TempFolder root;
    const std::wstring programs = root / L"Programs";
    fixture::MakeFile(programs + L"\\PC\\atlas.exe");
    EXPECT_EQ(SurveyInstallPath(programs + L"\\PC").target, ToCp932(AsciiLower(programs)))
        << "an ordinary folder";

    const std::wstring value =
        GetParam().type == REG_EXPAND_SZ ? L"%SystemDrive%" + programs.substr(2) : programs;
    const fixture::ScopedValue scoped(HKEY_LOCAL_MACHINE, kCurrentVersion, GetParam().name, GetParam().type,
                                      value);
    const AppFolderSurvey survey = SurveyInstallPath(programs + L"\\PC");
    EXPECT_EQ(survey.target, ToCp932(AsciiLower(programs + L"\\PC")));
    EXPECT_EQ(survey.state, PieceState::Found);
    EXPECT_TRUE(IsProtectedFolder(ToCp932(programs)));
}

// Wine's shell reads ProgramFilesDir, CommonFilesDir and their "(x86)" forms for its known
// folders, so only these two tell the registry's word from the shell's here.
INSTANTIATE_TEST_SUITE_P(Values, ProgramFilesValueTest,
                         testing::Values(ProgramFilesValue{L"ProgramW6432Dir", REG_EXPAND_SZ},
                                         ProgramFilesValue{L"CommonW6432Dir", REG_SZ}),
                         [](const testing::TestParamInfo<ProgramFilesValue>& info) {
                             return ToCp932(info.param.name).GetString();
                         });

TEST(ProtectedFoldersTest, EveryRegisteredProfileIsProtectedWithItsStandardFolders)
{
    const fixture::TempFolder alice(L"C:\\users\\alice");
    fixture::MakeFile(alice / L"Documents\\PC\\atlas.exe");
    fixture::MakeFolder(alice / L"AppData\\LocalLow");
    fixture::MakeFolder(alice / L"Games");
    fixture::TempFolder root;
    fixture::MakeFolder(root / L"service\\AppData\\Local");
    EXPECT_EQ(SurveyInstallPath(alice / L"Documents\\PC").target, ToCp932(AsciiLower(alice / L"Documents")))
        << "not yet a profile";

    const fixture::ProfileEntry entry(kAliceSid, L"%SystemDrive%\\users\\alice", REG_EXPAND_SZ);
    const fixture::ProfileEntry service(L"S-1-5-80-1-2-3-4-5", root / L"service", REG_SZ);
    const AppFolderSurvey survey = SurveyInstallPath(alice / L"Documents\\PC");
    EXPECT_EQ(survey.target, ToCp932(AsciiLower(alice / L"Documents\\PC")));
    EXPECT_EQ(survey.state, PieceState::Found);

    const CProtectedFolders folders;
    for (const std::wstring& path :
         {alice.Path(), alice / L"Documents", alice / L"AppData", alice / L"AppData\\LocalLow",
          root / L"service", root / L"service\\AppData\\Local"})
        EXPECT_TRUE(folders.IsProtected(ToCp932(path))) << ToCp932(path).GetString();
    EXPECT_FALSE(folders.IsProtected(ToCp932(alice / L"Games")));
}

TEST(ProtectedFoldersTest, ALoggedOnUsersShellFoldersAreReadFromTheirOwnHive)
{
    fixture::TempFolder root;
    const std::wstring bob = root / L"bob";
    const std::wstring documents = bob + L"\\Unusual\\Docs";
    fixture::MakeFile(documents + L"\\PC\\atlas.exe");
    // Where %USERPROFILE% of the caller, not Bob's, would put them.
    const fixture::TempFolder callers(L"C:\\users\\root\\Unusual");
    fixture::MakeFolder(callers / L"Docs");
    const fixture::ProfileEntry entry(kBobSid, bob, REG_SZ);
    EXPECT_EQ(SurveyInstallPath(documents + L"\\PC").target, ToCp932(AsciiLower(documents)))
        << "no hive loaded";

    const std::wstring source = L"Software\\SeriesCleanHiveSource";
    fixture::SetExpandString(HKEY_CURRENT_USER, source + L"\\" + kShellFolders, L"Personal",
                             L"%USERPROFILE%\\Unusual\\Docs");
    ASSERT_TRUE(fixture::SaveHive(HKEY_CURRENT_USER, source, root / L"bob.dat"));
    fixture::DeleteKey(HKEY_CURRENT_USER, source);
    const fixture::LoadedHive hive(kBobSid, root / L"bob.dat");

    const AppFolderSurvey survey = SurveyInstallPath(documents + L"\\PC");
    EXPECT_EQ(survey.target, ToCp932(AsciiLower(documents + L"\\PC")));
    EXPECT_EQ(survey.state, PieceState::Found);
    const CProtectedFolders folders;
    EXPECT_TRUE(folders.IsProtected(ToCp932(bob + L"\\Unusual")));
    EXPECT_FALSE(folders.IsProtected(ToCp932(callers / L"Docs")));
}

TEST(ProtectedFoldersTest, TheDefaultProfileIsProtectedWithItsStandardFolders)
{
    // Wine has no C:\users\Default; ProfilesDirectory says where it would be.
    const fixture::TempFolder standard(L"C:\\users\\Default");
    fixture::MakeFile(standard / L"Documents\\PC\\atlas.exe");
    fixture::MakeFolder(standard / L"AppData\\LocalLow");
    AppFolderSurvey survey = SurveyInstallPath(standard / L"Documents\\PC");
    EXPECT_EQ(survey.target, ToCp932(AsciiLower(standard / L"Documents\\PC")));
    EXPECT_EQ(survey.state, PieceState::Found);
    EXPECT_TRUE(IsProtectedFolder(ToCp932(standard / L"AppData\\LocalLow")));
    EXPECT_TRUE(IsProtectedFolder(ToCp932(standard.Path())));

    fixture::TempFolder root;
    const std::wstring moved = root / L"DefaultProfile";
    fixture::MakeFile(moved + L"\\Desktop\\PC\\atlas.lnk");
    const fixture::ScopedValue value(HKEY_LOCAL_MACHINE, kProfileList, L"Default", REG_EXPAND_SZ,
                                     L"%SystemDrive%" + moved.substr(2));
    survey = SurveyInstallPath(moved + L"\\Desktop\\PC");
    EXPECT_EQ(survey.target, ToCp932(AsciiLower(moved + L"\\Desktop\\PC")));
    EXPECT_TRUE(IsProtectedFolder(ToCp932(moved)));
}

TEST(ProtectedFoldersTest, ADriveLetterMadeAfterTheSnapshotDoesNotHideAProtectedFolder)
{
    // Wine reports a handle's volume serial number as that of the drive it maps the folder to, and
    // sees a new drive a moment after it appears: the same folder's identity can differ between the
    // snapshot and the question.
    const std::wstring users = fixture::KnownFolder(FOLDERID_UserProfiles);
    const CProtectedFolders snapshot;
    fixture::DosDeviceLink drive(L"t:", users, L"T:\\Public");
    auto serialOf = [](const wchar_t* path) {
        const win32::KernelHandle folder(CreateFileW(path, FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING,
                                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info = {};
        GetFileInformationByHandle(folder.Get(), &info);
        return info.dwVolumeSerialNumber;
    };
    const DWORD before = serialOf(L"T:\\Public");
    fixture::WaitUntil([&] { return serialOf(L"T:\\Public") != before; }, 3000);
    EXPECT_TRUE(snapshot.IsProtected("T:\\Public"));
    EXPECT_TRUE(snapshot.IsProtected("T:\\"));
    win32::FileIdentity identity;
    EXPECT_EQ(snapshot.CheckTarget("T:\\Public", &identity), CProtectedFolders::Target::Protected);
}
