#include "removal/FolderTree.h"
#include "removal/RemovalJob.h"
#include "removal/RemovalWorker.h"
#include "ui/DialogReport.h"
#include "support/Fixtures.h"
#include "support/MessageBoxRecorder.h"
#include "support/PlatformSeam.h"
#include "support/RecorderWindow.h"
#include "testkit/Products.h"
#include "ui/RemovalMessages.h"

#include <gtest/gtest.h>
#include <shlobj.h>

namespace {

const wchar_t kKeys[] = L"Software\\SeriesCleanTests\\Worker";
// The worker deletes the machine keys in the products' 32-bit registry view.
constexpr REGSAM kMachineView = products::kMachineView;

REGSAM ViewOf(HKEY root)
{
    return root == HKEY_LOCAL_MACHINE ? kMachineView : 0;
}

// Where the first message from index from on that satisfies matches stands; messages.size() when
// none does.
template <class Matches>
size_t IndexOf(const std::vector<RecordedMessage>& messages, Matches matches, size_t from = 0)
{
    for (size_t i = from; i < messages.size(); ++i) {
        if (matches(messages[i]))
            return i;
    }
    return messages.size();
}

std::vector<size_t> IndexesOf(const std::vector<RecordedMessage>& messages, UINT message, LPARAM line)
{
    std::vector<size_t> found;
    for (size_t i = 0; i < messages.size(); ++i) {
        if (messages[i].message == message && messages[i].lParam == line)
            found.push_back(i);
    }
    return found;
}

auto Status(LPARAM line, const char* text)
{
    return [line, text](const RecordedMessage& m) {
        return m.message == UM_STATUS_TEXT && m.lParam == line && m.status == text;
    };
}

auto Posted(UINT message, LPARAM lParam)
{
    return [message, lParam](const RecordedMessage& m) { return m.message == message && m.lParam == lParam; };
}

// What every removal that ends well tells the dialog around its steps: bar 1's range of steps
// first, both bars shown and Cancel enabled before the first step; after the last step both status
// lines cleared, both bars hidden and Cancel disabled; UM_DONE_OK last. UM_STATUS_TEXT is sent,
// since the dialog must copy the job's text before the worker changes it; every other message is
// posted.
void ExpectTheFrameOfARemoval(const std::vector<RecordedMessage>& messages, WPARAM steps)
{
    ASSERT_GE(messages.size(), 10u);
    for (const RecordedMessage& m : messages)
        EXPECT_EQ(m.sent, m.message == UM_STATUS_TEXT) << "message " << m.message;
    EXPECT_EQ(messages.front().message, static_cast<UINT>(UM_PROGRESS_RANGE));
    EXPECT_EQ(messages.front().lParam, 1);
    EXPECT_EQ(messages.front().wParam, steps);
    EXPECT_EQ(messages.back().message, static_cast<UINT>(UM_DONE_OK));
    const size_t end = messages.size() - 1;

    const size_t firstStatus = IndexOf(messages, [](const RecordedMessage& m) { return m.sent; });
    const std::vector<size_t> positions = IndexesOf(messages, UM_PROGRESS_POS, 1);
    const size_t lastStep = positions.empty() ? firstStatus : positions.back();
    for (const auto& opening :
         {Posted(UM_SHOW_PROGRESS, 1), Posted(UM_SHOW_PROGRESS, 2), Posted(UM_ENABLE_CANCEL, 0)}) {
        EXPECT_LT(IndexOf(messages, opening), firstStatus);
    }
    EXPECT_LT(IndexOf(messages, Status(1, ""), lastStep), end);
    EXPECT_LT(IndexOf(messages, Status(2, ""), lastStep), end);
    for (const auto& closing :
         {Posted(UM_HIDE_PROGRESS, 1), Posted(UM_HIDE_PROGRESS, 2), Posted(UM_DISABLE_CANCEL, 0)}) {
        const size_t at = IndexOf(messages, closing);
        EXPECT_GT(at, lastStep);
        EXPECT_LT(at, end);
    }
    const std::pair<UINT, LPARAM> once[] = {
        {UM_SHOW_PROGRESS, 1}, {UM_SHOW_PROGRESS, 2},  {UM_ENABLE_CANCEL, 0}, {UM_HIDE_PROGRESS, 1},
        {UM_HIDE_PROGRESS, 2}, {UM_DISABLE_CANCEL, 0}, {UM_DONE_OK, 0}};
    for (const auto& [message, line] : once)
        EXPECT_EQ(IndexesOf(messages, message, line).size(), 1u) << "message " << message << " for " << line;
}

// A job for the worker, filled as OnDelete fills it, on trees and keys of the test's own.
class RemovalWorkerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        TearDown();
        const std::wstring keys = kKeys;
        fixture::SetString(HKEY_LOCAL_MACHINE, keys + L"\\Machine", L"Version", L"1", kMachineView);
        fixture::SetString(HKEY_LOCAL_MACHINE, keys + L"\\Extra", L"data", L"1", kMachineView);
        fixture::SetString(HKEY_LOCAL_MACHINE, keys + L"\\Uninstall", L"DisplayName", L"x", kMachineView);
        fixture::SetString(HKEY_CURRENT_USER, keys + L"\\User", L"CachePath", L"C:\\");
        m_job.m_hDlg = m_window.Handle();
        m_job.m_nReportInterval = 10;
        m_job.m_strMachineKey = fixture::ToCp932(keys + L"\\Machine");
        m_job.m_strExtraMachineKey = fixture::ToCp932(keys + L"\\Extra");
        m_job.m_strUninstallKey = fixture::ToCp932(keys + L"\\Uninstall");
        m_job.m_strUserKey = fixture::ToCp932(keys + L"\\User");
    }

    void TearDown() override
    {
        fixture::DeleteKey(HKEY_LOCAL_MACHINE, kKeys, KEY_WOW64_32KEY);
        fixture::DeleteKey(HKEY_LOCAL_MACHINE, kKeys, KEY_WOW64_64KEY);
        fixture::DeleteKey(HKEY_CURRENT_USER, kKeys);
    }

    // As the survey finds a piece: its path, its file count, and what the file system says it is.
    void Find(RemovalSlot slot, const std::wstring& path, int files = 0)
    {
        m_job.m_bFound[slot] = TRUE;
        m_job.m_strTarget[slot] = fixture::ToCp932(path);
        m_job.m_nTargetFiles[slot] = files;
        EXPECT_TRUE(win32::GetIdentityNotFollowing(m_job.m_strTarget[slot], m_job.m_identity[slot]));
    }

    void FindAll()
    {
        fixture::MakeFile(m_root / L"programs\\group\\product\\p.lnk");
        Find(SLOT_START_MENU, m_root / L"programs\\group\\product");
        fixture::MakeFile(m_root / L"desktop\\p.lnk");
        Find(SLOT_DESKTOP_LINK, m_root / L"desktop\\p.lnk");
        fixture::MakeFile(m_root / L"setup\\{GUID}\\setup.ini");
        Find(SLOT_SETUP_INFO, m_root / L"setup\\{GUID}");
        fixture::MakeFile(m_root / L"cache\\Data\\tile.dat");
        Find(SLOT_CACHE_FOLDER, m_root / L"cache\\Data");
        for (int i = 0; i < 12; ++i)
            fixture::MakeFile(m_root / (L"Program Files\\NORTHSTAGE\\TeaAtlas\\f" + std::to_wstring(i)));
        // Longer than a status line holds: the line shows it shortened.
        Find(SLOT_APP_FOLDER, m_root / L"Program Files\\NORTHSTAGE\\TeaAtlas", 12);
    }

    void Run()
    {
        RemovalThreadProc(&m_job);
        m_window.Flush();
    }

    bool KeyExists(HKEY root, const wchar_t* name) const
    {
        return fixture::KeyExists(root, std::wstring(kKeys) + L"\\" + name, ViewOf(root));
    }

    ScopedPlatform m_platform{1, 1};
    // A root of a fixed length: the status line shows the application folder shortened.
    fixture::TempFolder m_root{L"C:\\sctest-worker"};
    MessageBoxRecorder m_boxes;
    RemovalJob m_job;
    RecorderWindow m_window{&m_job.m_strStatus};
};

} // namespace

TEST_F(RemovalWorkerTest, AFullRemovalSendsAndPostsInTheFixedOrder)
{
    FindAll();
    Run();
    const std::vector<RecordedMessage> messages = m_window.Messages();
    ExpectTheFrameOfARemoval(messages, 5);

    // Bar 1 counts the steps 1 to 5 in the removal order, each step's status line 1 before its
    // position.
    const char* const steps[] = {
        "ショートカット（スタートメニュー）の削除", "ショートカット（デスクトップ）の削除",
        "InstallShield Installation Informationの削除", "キャッシュフォルダの削除", "アプリケーションの削除"};
    const std::vector<size_t> positions = IndexesOf(messages, UM_PROGRESS_POS, 1);
    ASSERT_EQ(positions.size(), 5u);
    size_t stepStart = 0;
    for (size_t k = 0; k < 5; ++k) {
        SCOPED_TRACE(steps[k]);
        EXPECT_EQ(messages[positions[k]].wParam, k + 1);
        stepStart = IndexOf(messages, Status(1, steps[k]), stepStart);
        EXPECT_LT(stepStart, positions[k]);
        EXPECT_GT(stepStart, k == 0 ? 0 : positions[k - 1]);
    }

    // Only the application step reports on line 2 and bar 2: the range of its surveyed files first,
    // then its folder, then every tenth file, all before its step is counted.
    const size_t appStep = IndexOf(messages, Status(1, steps[4]));
    const std::vector<size_t> ranges = IndexesOf(messages, UM_PROGRESS_RANGE, 2);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(messages[ranges[0]].wParam, 12u);
    EXPECT_GT(ranges[0], appStep);
    const size_t folder = IndexOf(messages, [](const RecordedMessage& m) {
        return m.message == UM_STATUS_TEXT && m.lParam == 2 && !m.status.IsEmpty();
    });
    ASSERT_LT(folder, messages.size());
    EXPECT_EQ(messages[folder].status, CString("削除フォルダ: C:\\sctest-worker\\Program Fi...\\TeaAtlas"));
    EXPECT_GT(folder, ranges[0]);
    const std::vector<size_t> detail = IndexesOf(messages, UM_PROGRESS_POS, 2);
    ASSERT_EQ(detail.size(), 1u);
    EXPECT_EQ(messages[detail[0]].wParam, 10u);
    EXPECT_GT(detail[0], folder);
    EXPECT_LT(detail[0], positions[4]);

    EXPECT_FALSE(fixture::Exists(m_root / L"Program Files\\NORTHSTAGE\\TeaAtlas"));
    EXPECT_FALSE(fixture::Exists(m_root / L"programs\\group")) << "the emptied group folder goes too";
    EXPECT_TRUE(fixture::Exists(m_root / L"programs"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Machine"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Extra"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Uninstall"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"User"));
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(RemovalWorkerTest, WithNothingFoundOnlyTheKeysGo)
{
    Run();
    const std::vector<RecordedMessage> messages = m_window.Messages();
    ExpectTheFrameOfARemoval(messages, 0);
    EXPECT_TRUE(m_window.Messages(UM_PROGRESS_POS).empty());
    for (const RecordedMessage& m : m_window.Messages(UM_STATUS_TEXT))
        EXPECT_EQ(m.status, CString()) << "no step, no folder";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Machine"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Extra"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Uninstall"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"User"));
}

TEST_F(RemovalWorkerTest, OnlyTheApplicationFolderFillsBarOneInOneStep)
{
    fixture::MakeFile(m_root / L"app\\a.exe");
    Find(SLOT_APP_FOLDER, m_root / L"app", 1);
    Run();
    const std::vector<RecordedMessage> bar1 = m_window.Messages(UM_PROGRESS_RANGE);
    ASSERT_EQ(bar1.size(), 2u);
    EXPECT_EQ(bar1[0].wParam, 1u);
    EXPECT_EQ(bar1[1].wParam, 1u);
    EXPECT_EQ(bar1[1].lParam, 2);
    const std::vector<RecordedMessage> positions = m_window.Messages(UM_PROGRESS_POS);
    ASSERT_EQ(positions.size(), 1u);
    EXPECT_EQ(positions[0].wParam, 1u);
    EXPECT_EQ(positions[0].lParam, 1);
    EXPECT_EQ(m_window.Messages(UM_DONE_OK).size(), 1u);
}

TEST_F(RemovalWorkerTest, AnEmptyExtraKeyIsSkippedAndAMissingOneCountsAsDeleted)
{
    m_job.m_strExtraMachineKey.Empty();
    Run();
    EXPECT_EQ(m_window.Messages(UM_DONE_OK).size(), 1u);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Extra"));

    m_job.m_strExtraMachineKey = "Software\\SeriesCleanTests\\Worker\\Missing";
    fixture::CreateKey(HKEY_LOCAL_MACHINE, std::wstring(kKeys) + L"\\Uninstall", kMachineView);
    Run();
    EXPECT_EQ(m_window.Messages(UM_DONE_OK).size(), 2u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Uninstall"));
}

namespace {

struct RegistryFailure
{
    const char* name;
    HKEY root;
    const wchar_t* key; // below kKeys
    const char* text;
};

class RegistryFailureTest : public RemovalWorkerTest, public testing::WithParamInterface<RegistryFailure>
{
};

void PrintTo(const RegistryFailure& f, std::ostream* os)
{
    *os << f.name;
}

} // namespace

TEST_P(RegistryFailureTest, ShowsTheKeyThenFailsAndLeavesTheLaterKeys)
{
    const RegistryFailure& failure = GetParam();
    fixture::UndeletableSubKey locked(failure.root, std::wstring(kKeys) + L"\\" + failure.key,
                                      ViewOf(failure.root));
    ASSERT_TRUE(locked.Made());
    Run();

    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_EQ(m_boxes.At(0).text, CString(failure.text));
    EXPECT_EQ(m_boxes.At(0).type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(m_boxes.At(0).owner, m_window.Handle());
    const std::vector<RecordedMessage> messages = m_window.Messages();
    EXPECT_EQ(messages.back().message, static_cast<UINT>(UM_DONE_FAILED));
    EXPECT_EQ(m_window.Messages(UM_DONE_FAILED).size(), 1u);
    EXPECT_TRUE(m_window.Messages(UM_DONE_OK).empty());
    if (failure.root == HKEY_LOCAL_MACHINE && std::wstring(failure.key) == L"Machine") {
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Extra"));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Uninstall"));
    }
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"User"));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, RegistryFailureTest,
    testing::Values(RegistryFailure{"MachineKey", HKEY_LOCAL_MACHINE, L"Machine",
                                    "レジストリの削除に失敗しました。\n\nHKEY_LOCAL_"
                                    "MACHINE\\Software\\SeriesCleanTests\\Worker\\Machine"},
                    RegistryFailure{"UninstallKey", HKEY_LOCAL_MACHINE, L"Uninstall",
                                    "レジストリの削除に失敗しました。\n\nHKEY_LOCAL_"
                                    "MACHINE\\Software\\SeriesCleanTests\\Worker\\Uninstall"},
                    RegistryFailure{"UserKey", HKEY_CURRENT_USER, L"User",
                                    "レジストリの削除に失敗しました。\n\nHKEY_CURRENT_"
                                    "USER\\Software\\SeriesCleanTests\\Worker\\User"}),
    [](const testing::TestParamInfo<RegistryFailure>& info) { return info.param.name; });

TEST_F(RemovalWorkerTest, AFolderThatCannotBeListedEndsWithTheFailedBox)
{
    for (int i = 0; i < 3; ++i)
        fixture::MakeFile(m_root / (L"app\\sub\\f" + std::to_wstring(i)));
    Find(SLOT_APP_FOLDER, m_root / L"app", 3);
    // Another program holds the sub-folder without sharing it: it cannot be opened for listing.
    fixture::LockedFile lock(m_root / L"app\\sub");
    Run();
    lock.Release();
    EXPECT_EQ(m_window.Messages(UM_DONE_FAILED).size(), 1u);
    EXPECT_TRUE(m_window.Messages(UM_DONE_CANCELLED).empty());
    EXPECT_EQ(m_window.Messages().back().message, static_cast<UINT>(UM_DONE_FAILED));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Machine"));
    EXPECT_TRUE(fixture::Exists(m_root / L"app\\sub\\f0"));
}

TEST(RemoveEmptyParentFolderTest, KeepsAnEmptyProgramsFolderWhateverItsLetterCase)
{
    ScopedPlatform nt(1, 1);
    fixture::TempFolder root;
    // The Programs folder of a fresh profile can be empty: point it at an empty folder.
    const std::wstring programs = root / L"Programs";
    fixture::MakeFolder(programs);
    fixture::ScopedShellFolder commonPrograms(L"Common Programs", programs);
    ASSERT_EQ(fixture::ShellFolder(CSIDL_COMMON_PROGRAMS), programs);
    const CString lower = fixture::ToCp932(fixture::AsciiLower(programs));
    RemoveEmptyParentFolder(lower + "\\Product");
    EXPECT_TRUE(fixture::Exists(programs));
    RemoveEmptyParentFolder(fixture::ToCp932(programs + L"\\Product"));
    EXPECT_TRUE(fixture::Exists(programs));
}

TEST(RemoveEmptyParentFolderTest, RemovesAnEmptyGroupAndKeepsAFullOne)
{
    ScopedPlatform nt(1, 1);
    fixture::TempFolder root;
    fixture::MakeFolder(root / L"group");
    RemoveEmptyParentFolder(fixture::ToCp932(root / L"group\\product"));
    EXPECT_FALSE(fixture::Exists(root / L"group"));
    fixture::MakeFile(root / L"full\\other.lnk");
    RemoveEmptyParentFolder(fixture::ToCp932(root / L"full\\product"));
    EXPECT_TRUE(fixture::Exists(root / L"full\\other.lnk"));
}
