#include "removal/FolderTree.h"
#include "framework/Handles.h"
#include "framework/NtFile.h"
#include "support/Fixtures.h"
#include "support/MessageBoxRecorder.h"
#include "support/RecorderWindow.h"
#include "ui/DialogReport.h"
#include "ui/RemovalMessages.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

using fixture::Exists;
using fixture::MakeFile;
using fixture::MakeFolder;

// A deletion test: a folder tree of its own, the dialog's stand-in window, the locked-file prompt's
// recorder, and the shared values of a run (counter, cancel flag, status text).
class FolderTreeTest : public testing::Test
{
protected:
    // A reporting run, as the worker runs the application step, through the nine-parameter entry.
    int DeleteReporting(const std::wstring& path, uint32_t step = 10)
    {
        const int result =
            DeleteFolderTree(fixture::ToCp932(path), m_window.Handle(), &m_filesDone, step, &m_cancel,
                             &m_status, UM_DONE_CANCELLED, UM_PROGRESS_POS, UM_STATUS_TEXT);
        m_window.Flush();
        return result;
    }

    // A silent run, as the worker runs the other steps; m_outcome tells how it ended.
    int DeleteSilently(const std::wstring& path)
    {
        m_outcome =
            DeleteTreeReportingTo(fixture::ToCp932(path), nullptr, nullptr, 0, nullptr, &m_status, 0, 0, 0);
        return m_outcome.finished ? 1 : 0;
    }

    // A reporting run whose outcome is kept in m_outcome.
    int DeleteReportingTree(const std::wstring& path)
    {
        m_outcome =
            DeleteTreeReportingTo(fixture::ToCp932(path), m_window.Handle(), &m_filesDone, 10, &m_cancel,
                                  &m_status, UM_DONE_CANCELLED, UM_PROGRESS_POS, UM_STATUS_TEXT);
        m_window.Flush();
        return m_outcome.finished ? 1 : 0;
    }

    TreeOutcome m_outcome;

    std::vector<WPARAM> ProgressPositions()
    {
        std::vector<WPARAM> positions;
        for (const RecordedMessage& m : m_window.Messages(UM_PROGRESS_POS)) {
            EXPECT_EQ(m.lParam, 2);
            EXPECT_FALSE(m.sent);
            positions.push_back(m.wParam);
        }
        return positions;
    }

    void MakeFiles(const std::wstring& folder, int count)
    {
        for (int i = 0; i < count; ++i)
            MakeFile(folder + L"\\file" + std::to_wstring(i) + L".dat");
    }

    fixture::TempFolder m_root;
    MessageBoxRecorder m_boxes;
    CString m_status;
    RecorderWindow m_window{&m_status};
    uint64_t m_filesDone = 0;
    CancelFlag m_cancel{0};
};

} // namespace

TEST_F(FolderTreeTest, APathThatNamesNothingFinishesWithoutAWord)
{
    EXPECT_EQ(DeleteReportingTree(m_root / L"missing"), 1);
    EXPECT_EQ(m_outcome.stop, TreeStop::None);
    EXPECT_TRUE(m_window.Messages().empty());
}

TEST_F(FolderTreeTest, ASingleFileIsRemovedUncountedAndUnreported)
{
    MakeFile(m_root / L"茶房ガイド.lnk");
    MakeFile(m_root / L"other.lnk");
    EXPECT_EQ(DeleteReporting(m_root / L"茶房ガイド.lnk"), 1);
    EXPECT_FALSE(Exists(m_root / L"茶房ガイド.lnk"));
    EXPECT_TRUE(Exists(m_root / L"other.lnk"));
    EXPECT_EQ(m_filesDone, 0u);
    EXPECT_TRUE(m_window.Messages().empty());
}

TEST_F(FolderTreeTest, AnEmptyFolderInAReportingRunShowsItselfOnce)
{
    const fixture::TempFolder root(L"C:\\sctest-status");
    MakeFolder(root / L"empty");
    EXPECT_EQ(DeleteReporting(root / L"empty"), 1);
    EXPECT_FALSE(Exists(root / L"empty"));
    EXPECT_EQ(m_filesDone, 0u);
    const std::vector<RecordedMessage> messages = m_window.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(UM_STATUS_TEXT));
    EXPECT_TRUE(messages[0].sent);
    EXPECT_EQ(messages[0].lParam, 2);
    EXPECT_EQ(messages[0].status, CString("削除フォルダ: C:\\sctest-status\\empty"));
}

TEST_F(FolderTreeTest, TheStatusLineAndThePromptSpellTheFolderAsStoredOnDisk)
{
    // The application folder comes lower-cased from the confirmation; what the user reads ends in
    // the folder's own name as the file system stores it.
    const std::wstring folder = L"C:\\sct-ondisk\\TeaAtlas";
    MakeFile(folder + L"\\TeaAtlas.exe");
    fixture::LockedFile lock(folder + L"\\TeaAtlas.exe");
    m_boxes.QueueAnswer(IDIGNORE);
    EXPECT_EQ(DeleteReporting(L"c:\\sct-ondisk\\teaatlas"), 1);
    const std::vector<RecordedMessage> sent = m_window.Messages(UM_STATUS_TEXT);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].status, CString("削除フォルダ: c:\\sct-ondisk\\TeaAtlas"));
    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_EQ(m_boxes.At(0).text, CString("c:\\sct-ondisk\\TeaAtlas\\TeaAtlas.exeがロック中です。"));
    lock.Release();
    fixture::RemoveTree(L"C:\\sct-ondisk");
}

TEST_F(FolderTreeTest, ReadOnlyHiddenAndSystemFilesAreRemoved)
{
    const std::wstring tree = m_root / L"app";
    for (DWORD attributes : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                             FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}) {
        const std::wstring file = tree + L"\\sub\\f" + std::to_wstring(attributes);
        MakeFile(file);
        ASSERT_TRUE(SetFileAttributesW(file.c_str(), attributes));
    }
    EXPECT_EQ(DeleteSilently(tree), 1);
    EXPECT_FALSE(Exists(tree));
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(FolderTreeTest, ProgressGoesOutAtEveryFullStepOnly)
{
    MakeFiles(m_root / L"app", 25);
    EXPECT_EQ(DeleteReporting(m_root / L"app"), 1);
    EXPECT_EQ(ProgressPositions(), (std::vector<WPARAM>{10, 20}));
    EXPECT_EQ(m_filesDone, 25u);
    EXPECT_FALSE(Exists(m_root / L"app"));
}

TEST_F(FolderTreeTest, TheCounterRunsOnAcrossSubFoldersAndFromWhereTheCallerLeftIt)
{
    const std::wstring tree = m_root / L"app";
    MakeFiles(tree, 7);
    MakeFiles(tree + L"\\data", 8);
    MakeFiles(tree + L"\\data\\maps", 3);
    m_filesDone = 4;
    EXPECT_EQ(DeleteReporting(tree), 1);
    EXPECT_EQ(m_filesDone, 22u);
    EXPECT_EQ(ProgressPositions(), (std::vector<WPARAM>{10, 20}));
    // One status line per folder, sent before its content is handled.
    EXPECT_EQ(m_window.Messages(UM_STATUS_TEXT).size(), 3u);
    EXPECT_FALSE(Exists(tree));
}

TEST_F(FolderTreeTest, CancelIsSeenAtTheNextCheckpointAndKeepsTheEnclosingFolders)
{
    const std::wstring tree = m_root / L"app";
    MakeFiles(tree + L"\\sub", 15);
    MakeFile(tree + L"\\zlast.dat");
    m_cancel = 1;
    EXPECT_EQ(DeleteReportingTree(tree), 0);
    EXPECT_EQ(m_outcome.stop, TreeStop::Cancelled);
    // The tenth file was removed before the flag was seen; no progress went out for it.
    EXPECT_EQ(m_filesDone, 10u);
    EXPECT_TRUE(ProgressPositions().empty());
    const std::vector<RecordedMessage> cancelled = m_window.Messages(UM_DONE_CANCELLED);
    ASSERT_EQ(cancelled.size(), 1u);
    EXPECT_EQ(cancelled[0].wParam, 0u);
    EXPECT_EQ(cancelled[0].lParam, 0);
    EXPECT_FALSE(cancelled[0].sent);
    EXPECT_TRUE(Exists(tree + L"\\sub"));
    int files = 0, folders = 0;
    CountFilesInTree(fixture::ToCp932(tree), &files, &folders);
    EXPECT_EQ(files, 6) << "5 files of sub and the one after it stay";
}

TEST_F(FolderTreeTest, OnlyTheValueOneCancels)
{
    MakeFiles(m_root / L"app", 12);
    m_cancel = 2;
    EXPECT_EQ(DeleteReporting(m_root / L"app"), 1);
    EXPECT_FALSE(Exists(m_root / L"app"));
    EXPECT_TRUE(m_window.Messages(UM_DONE_CANCELLED).empty());
}

TEST_F(FolderTreeTest, FoldersWithoutFilesNeverReachACheckpoint)
{
    MakeFolder(m_root / L"app\\a\\b\\c");
    MakeFolder(m_root / L"app\\d");
    m_cancel = 1;
    EXPECT_EQ(DeleteReporting(m_root / L"app"), 1);
    EXPECT_FALSE(Exists(m_root / L"app"));
}

namespace {

// An answer to the locked-file prompt of a reporting run and what the run makes of it. Retry is
// answered twice: the file is still held at the first, released before the second.
struct LockedFileAnswer
{
    const char* name;
    int answer;
    int result;
    size_t prompts;
    uint64_t filesDone;
    bool fileStays;
};

class LockedFileTest : public FolderTreeTest, public testing::WithParamInterface<LockedFileAnswer>
{
};

void PrintTo(const LockedFileAnswer& a, std::ostream* os)
{
    *os << a.name;
}

} // namespace

TEST_P(LockedFileTest, TheAnswerDecidesTheRun)
{
    const LockedFileAnswer& a = GetParam();
    // "other.dat" comes first in a listing, the locked "地図.dat" last.
    const std::wstring file = m_root / L"app\\地図.dat";
    MakeFile(file);
    MakeFile(m_root / L"app\\other.dat");
    fixture::LockedFile lock(file);
    if (a.answer == IDRETRY)
        m_boxes.QueueAnswer(IDRETRY);
    m_boxes.QueueAnswer([&](const RecordedBox&) {
        if (a.answer == IDRETRY)
            lock.Release();
        return a.answer;
    });
    EXPECT_EQ(DeleteReportingTree(m_root / L"app"), a.result);
    EXPECT_EQ(m_outcome.stop, a.result ? TreeStop::None : TreeStop::Aborted);
    ASSERT_EQ(m_boxes.Count(), a.prompts);
    const RecordedBox box = m_boxes.At(0);
    EXPECT_EQ(box.text, fixture::ToCp932(file) + "がロック中です。");
    EXPECT_EQ(box.caption, CString("ルミナGOシリーズの削除"));
    EXPECT_EQ(box.type, static_cast<UINT>(MB_ABORTRETRYIGNORE | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_EQ(box.owner, m_window.Handle());
    EXPECT_EQ(m_window.Messages(UM_DONE_CANCELLED).size(), a.answer == IDABORT ? 1u : 0u);
    EXPECT_EQ(m_filesDone, a.filesDone);
    lock.Release();
    EXPECT_EQ(Exists(file), a.fileStays);
    EXPECT_FALSE(Exists(m_root / L"app\\other.dat"));
}

INSTANTIATE_TEST_SUITE_P(Answers, LockedFileTest,
                         testing::Values(LockedFileAnswer{"Abort", IDABORT, 0, 1, 1, true},
                                         LockedFileAnswer{"Retry", IDRETRY, 1, 2, 2, false},
                                         LockedFileAnswer{"Ignore", IDIGNORE, 1, 1, 2, true}),
                         [](const testing::TestParamInfo<LockedFileAnswer>& info) {
                             return info.param.name;
                         });

TEST_F(FolderTreeTest, AFolderInUseElsewhereIsEmptiedAndStays)
{
    // A program whose current folder it is holds it without sharing delete access: its content
    // goes, the folder itself stays without a word, and the run goes on.
    const std::wstring busy = m_root / L"app\\busy";
    MakeFiles(busy, 3);
    MakeFile(m_root / L"app\\zlast.dat");
    const HANDLE holder = CreateFileW(busy.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(DeleteReporting(m_root / L"app"), 1);
    CloseHandle(holder);
    EXPECT_EQ(m_filesDone, 4u);
    EXPECT_TRUE(Exists(busy));
    EXPECT_FALSE(Exists(busy + L"\\file0.dat"));
    EXPECT_FALSE(Exists(m_root / L"app\\zlast.dat"));
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_TRUE(m_window.Messages(UM_DONE_CANCELLED).empty());
}

TEST_F(FolderTreeTest, AbortInASilentRunTellsNobody)
{
    const std::wstring file = m_root / L"cache\\tile.dat";
    MakeFile(file);
    fixture::LockedFile lock(file);
    m_boxes.QueueAnswer(IDABORT);
    EXPECT_EQ(DeleteSilently(m_root / L"cache"), 0);
    EXPECT_EQ(m_outcome.stop, TreeStop::Aborted);
    ASSERT_EQ(m_boxes.Count(), 1u);
    EXPECT_EQ(m_boxes.At(0).owner, nullptr);
    m_window.Flush();
    EXPECT_TRUE(m_window.Messages().empty());
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "nothing posted to this thread either";
}

TEST_F(FolderTreeTest, ASingleLockedFileGetsThePromptToo)
{
    const std::wstring file = m_root / L"link.lnk";
    MakeFile(file);
    fixture::LockedFile lock(file);
    m_boxes.QueueAnswer(IDIGNORE);
    EXPECT_EQ(DeleteSilently(file), 1);
    EXPECT_EQ(m_boxes.Count(), 1u);
    lock.Release();
    EXPECT_TRUE(Exists(file));
}

TEST_F(FolderTreeTest, LinksAreRemovedAndNeverFollowed)
{
    const std::wstring canary = m_root / L"profile";
    MakeFile(canary + L"\\keep.txt");
    const std::wstring tree = m_root / L"app";
    MakeFile(tree + L"\\a.dat");
    fixture::MakeDirectoryLink(tree + L"\\documents", canary);

    int files = 0, folders = 0;
    EXPECT_EQ(CountFilesInTree(fixture::ToCp932(tree), &files, &folders), 1);
    EXPECT_EQ(files, 1);
    EXPECT_EQ(folders, 1) << "the link is counted where it stands";

    EXPECT_EQ(DeleteReporting(tree), 1);
    EXPECT_TRUE(Exists(canary + L"\\keep.txt"));
    EXPECT_FALSE(Exists(tree + L"\\a.dat"));

    // A link given as the path itself is not entered either.
    fixture::MakeDirectoryLink(m_root / L"toplink", canary);
    EXPECT_EQ(DeleteSilently(m_root / L"toplink"), 1);
    EXPECT_TRUE(Exists(canary + L"\\keep.txt"));
    files = folders = 0;
    EXPECT_EQ(CountFilesInTree(fixture::ToCp932(m_root / L"toplink"), &files, &folders), 0);
    EXPECT_EQ(files + folders, 0);
}

TEST_F(FolderTreeTest, AFolderSwappedForALinkWhileItsStatusShowsLeadsNowhere)
{
    // The engine runs elevated in folders that users can write to: a folder replaced by a link
    // after it was checked must not take the deletion to where the link points.
    const std::wstring canary = m_root / L"profile";
    MakeFiles(canary, 3);
    const std::wstring tree = m_root / L"app";
    MakeFiles(tree + L"\\tiles", 3);
    MakeFile(tree + L"\\top.dat");
    std::atomic<bool> swapped{false};
    m_window.OnMessage([&](const RecordedMessage& m) {
        if (m.message == UM_STATUS_TEXT && m.status.Right(6) == "\\tiles")
            swapped = fixture::SwapForDirectoryLink(tree + L"\\tiles", m_root / L"moved", canary);
    });
    EXPECT_EQ(DeleteReporting(tree), 1);
    ASSERT_TRUE(swapped.load());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Exists(canary + L"\\file" + std::to_wstring(i) + L".dat")) << i;
    EXPECT_FALSE(Exists(tree + L"\\top.dat"));
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(FolderTreeTest, TheFolderDeletedIsTheOneTheGivenPathNames)
{
    // Windows reads "/" as "\\": a path rebuilt as "the text up to the last backslash + the found
    // name" would name the folder of the same name at the root instead.
    MakeFiles(m_root / L"Program Files\\KORAMI\\KartixNet", 2);
    MakeFiles(m_root / L"KartixNet", 2);
    EXPECT_EQ(DeleteReporting(m_root / L"Program Files/KORAMI/KartixNet"), 1);
    EXPECT_FALSE(Exists(m_root / L"Program Files\\KORAMI\\KartixNet"));
    EXPECT_TRUE(Exists(m_root / L"KartixNet\\file0.dat"));
    EXPECT_TRUE(Exists(m_root / L"KartixNet\\file1.dat"));
    EXPECT_EQ(m_filesDone, 2u);
}

TEST_F(FolderTreeTest, NamesOutsideCodePage932AreRemovedLikeAnyOther)
{
    // Code page 932 has no form for these: as "?" they were skipped as wildcards, or named a file
    // that is not there, while the run still reported success.
    const std::wstring names[] = {L"caf\u00e9", L"\u00d6l", L"\ud55c\uae00", L"map\U0001F5FA"};
    for (const bool reporting : {true, false}) {
        const std::wstring tree = m_root / (reporting ? L"app" : L"cache");
        for (const std::wstring& name : names) {
            MakeFile(tree + L"\\" + name + L".dat");
            MakeFiles(tree + L"\\" + name, 2);
            MakeFile(tree + L"\\" + name + L"\\" + name + L"\\" + name);
        }
        int files = 0, folders = 0;
        EXPECT_EQ(CountFilesInTree(fixture::ToCp932(tree), &files, &folders), 1);
        EXPECT_EQ(files, 16);
        EXPECT_EQ(folders, 8);
        EXPECT_EQ(reporting ? DeleteReporting(tree) : DeleteSilently(tree), 1);
        EXPECT_FALSE(Exists(tree)) << (reporting ? "reporting" : "silent");
    }
    EXPECT_EQ(m_boxes.Count(), 0u);
    EXPECT_EQ(m_filesDone, 16u);
    // Only the status line shows what code page 932 cannot hold, as "?".
    bool shown = false;
    for (const RecordedMessage& m : m_window.Messages(UM_STATUS_TEXT))
        shown = shown || m.status.Right(5) == "\\caf?";
    EXPECT_TRUE(shown);
}

TEST_F(FolderTreeTest, AHardLinkedFilesOtherNameKeepsItsAttributesAndTimeStamps)
{
    // The same file under another name outside the tree: read-only, with a time stamp of its own.
    const std::wstring outside = m_root / L"outside\\shared.dat";
    MakeFile(outside, "shared");
    const FILETIME stamp = {0x12345600, 0x01D00000};
    {
        const win32::KernelHandle file(
            CreateFileW(outside.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &stamp));
    }
    ASSERT_TRUE(SetFileAttributesW(outside.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(fixture::MakeHardLink(m_root / L"app\\data\\shared.dat", outside));

    EXPECT_EQ(DeleteReporting(m_root / L"app"), 1);

    EXPECT_FALSE(Exists(m_root / L"app"));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExW(outside.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
    EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, stamp.dwLowDateTime);
    EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, stamp.dwHighDateTime);
    EXPECT_EQ(fixture::ReadBytes(outside), "shared");
    EXPECT_EQ(m_boxes.Count(), 0u);
    SetFileAttributesW(outside.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FolderTreeTest, NothingIsDeletedWhereThePathLeadsElsewhereThanAtTheSurvey)
{
    MakeFiles(m_root / L"surveyed", 2);
    MakeFiles(m_root / L"now", 2);
    win32::FileIdentity surveyed;
    ASSERT_TRUE(win32::GetIdentityNotFollowing(fixture::ToCp932(m_root / L"surveyed"), surveyed));
    TreeRun run;
    run.pExpected = &surveyed;
    struct : CTreeCallbacks
    {
        int OnLockedFile(const LockedEntry&) override { return IDABORT; }
    } callbacks;
    const TreeOutcome outcome = DeleteTree(fixture::ToCp932(m_root / L"now"), run, callbacks);
    EXPECT_FALSE(outcome.finished);
    EXPECT_EQ(outcome.stop, TreeStop::NotSurveyed);
    EXPECT_EQ(fixture::CountFiles(m_root / L"now"), 2);
    EXPECT_TRUE(DeleteTree(fixture::ToCp932(m_root / L"surveyed"), run, callbacks).finished);
    EXPECT_FALSE(Exists(m_root / L"surveyed"));
}

TEST_F(FolderTreeTest, AReadOnlySingleFileIsRemovedWithoutAPrompt)
{
    // The desktop shortcut comes as a single file; read-only, it used to raise the locked-file
    // prompt, which Retry could never cure.
    const std::wstring file = m_root / L"茶房ガイド.lnk";
    for (DWORD attributes :
         {DWORD{FILE_ATTRIBUTE_READONLY},
          DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}}) {
        MakeFile(file);
        ASSERT_TRUE(SetFileAttributesW(file.c_str(), attributes));
        EXPECT_EQ(DeleteSilently(file), 1);
        EXPECT_FALSE(Exists(file)) << attributes;
    }
    EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST(LinkTest, OnlyNameSurrogateReparsePointsAreLinks)
{
    constexpr DWORD kReparseFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    EXPECT_TRUE(win32::IsLinkReparsePoint(kReparseFolder, IO_REPARSE_TAG_MOUNT_POINT));
    EXPECT_TRUE(win32::IsLinkReparsePoint(FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK));
    // Cloud placeholders and deduplicated files are the files themselves.
    EXPECT_FALSE(win32::IsLinkReparsePoint(kReparseFolder, 0x9000101A));
    EXPECT_FALSE(win32::IsLinkReparsePoint(FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_DEDUP));
    // Wine lists its links with no tag: an unknown tag counts as a link.
    EXPECT_TRUE(win32::IsLinkReparsePoint(kReparseFolder, 0));
    EXPECT_FALSE(win32::IsLinkReparsePoint(FILE_ATTRIBUTE_DIRECTORY, IO_REPARSE_TAG_SYMLINK));
}

TEST_F(FolderTreeTest, PathsLongerThanMaxPathAreDeletedAndCountedCompletely)
{
    std::wstring deep = m_root / L"app";
    while (deep.size() < 600)
        deep += L"\\地図データのフォルダ_" + std::to_wstring(deep.size());
    MakeFile(deep + L"\\tile.dat");
    MakeFile(m_root / L"app\\top.dat");
    ASSERT_TRUE(Exists(deep + L"\\tile.dat"));

    int files = 0, folders = 0;
    EXPECT_EQ(CountFilesInTree(fixture::ToCp932(m_root / L"app"), &files, &folders), 1);
    EXPECT_EQ(files, 2);
    EXPECT_GT(folders, 20);
    EXPECT_EQ(DeleteReporting(m_root / L"app"), 1);
    EXPECT_FALSE(Exists(m_root / L"app"));
    EXPECT_EQ(m_filesDone, 2u);
}

TEST_F(FolderTreeTest, WildcardsNeverWidenWhatIsDeleted)
{
    MakeFile(m_root / L"cafe\\a.dat");
    EXPECT_EQ(DeleteSilently(m_root / L"caf?"), 1);
    EXPECT_EQ(DeleteSilently(m_root / L"*"), 1);
    // The listing's own wildcards, which no file name may hold.
    for (const wchar_t* name : {L"caf<", L"caf>", L"caf\""})
        EXPECT_EQ(DeleteSilently(m_root / name), 1) << fixture::ToCp932(name).GetString();
    EXPECT_TRUE(Exists(m_root / L"cafe\\a.dat"));
}

TEST(FileCountTest, CountsFilesAndFoldersAtEveryDepth)
{
    fixture::TempFolder root;
    MakeFile(root / L"t\\a.txt");
    MakeFile(root / L"t\\b.txt");
    MakeFile(root / L"t\\sub\\c.txt");
    MakeFile(root / L"t\\sub\\d.txt");
    MakeFile(root / L"t\\sub\\e.txt");
    MakeFolder(root / L"t\\sub\\empty");
    const std::wstring hidden = root / L"t\\sub\\h.sys";
    MakeFile(hidden);
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    int files = 0, folders = 0;
    EXPECT_EQ(CountFilesInTree(fixture::ToCp932(root / L"t"), &files, &folders), 1);
    EXPECT_EQ(files, 6);
    EXPECT_EQ(folders, 2);
    // The counters are added to, never reset.
    EXPECT_EQ(CountFilesInTree(fixture::ToCp932(root / L"t"), &files, &folders), 1);
    EXPECT_EQ(files, 12);
    EXPECT_EQ(folders, 4);
}

TEST(FileCountTest, NoFolderNoCount)
{
    fixture::TempFolder root;
    MakeFile(root / L"file.txt");
    MakeFolder(root / L"empty");
    int files = 0, folders = 0;
    EXPECT_EQ(CountFilesInTree(fixture::ToCp932(root / L"missing"), &files, &folders), 0);
    EXPECT_EQ(CountFilesInTree(fixture::ToCp932(root / L"file.txt"), &files, &folders), 0);
    EXPECT_EQ(CountFilesInTree(fixture::ToCp932(root / L"empty"), &files, &folders), 1);
    EXPECT_EQ(files, 0);
    EXPECT_EQ(folders, 0);
}

TEST(CompactPathTest, ShortensToThirtyNineBytesWithoutSplittingACharacter)
{
    EXPECT_EQ(CompactPath("C:\\short", 40), CString("C:\\short"));
    const CString exact(std::string(39, 'a'));
    EXPECT_EQ(CompactPath(exact, 40), exact);

    const CString shortened = CompactPath("C:\\Program Files\\NORTHSTAGE\\TeaAtlas\\data\\tiles", 40);
    EXPECT_EQ(shortened, CString("C:\\Program Files\\NORTHSTAGE\\Te...\\tiles"));
    EXPECT_EQ(shortened.GetLength(), 39);

    // Every cut lands between characters, whatever the byte count.
    for (int extra = 0; extra < 4; ++extra) {
        const CString japanese =
            CString(std::string(static_cast<size_t>(extra), 'x').c_str()) +
            "C:\\地図ソフト表示\\北欧旅行ガイドのデータ\\ソソソソソソソソソソソソソソソソソソソソ";
        const CString compact = CompactPath(japanese, 40);
        EXPECT_LE(compact.GetLength(), 39);
        EXPECT_EQ(fixture::ToCp932(fixture::FromCp932(compact)), compact) << "a character was split";
        EXPECT_NE(compact.Find("..."), -1);
    }
}

// Any depth, without recursion: a user can make their cache folder as deep as the file system
// lets them. Wine deletes only while the Unix path stays under 4,096 bytes; its listing relative to
// folder handles goes deeper.
TEST(DeepTreeTest, AChainAsDeepAsWineDeletesIsDeletedWhole)
{
    const std::wstring root = L"C:\\scdeep";
    fixture::FolderChain chain(root, 1900);
    ASSERT_TRUE(chain.Made());
    struct : CTreeCallbacks
    {
        int OnLockedFile(const LockedEntry&) override { return IDABORT; }
    } callbacks;
    const TreeOutcome outcome = DeleteTree(fixture::ToCp932(root + L"\\a"), TreeRun(), callbacks);
    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.left, 0u);
    EXPECT_FALSE(Exists(root + L"\\a"));
}

TEST(DeepTreeTest, AChainDeeperThanWineDeletesIsCountedWhole)
{
    const std::wstring root = L"C:\\scdeeper";
    fixture::FolderChain chain(root, 2100);
    ASSERT_TRUE(chain.Made());
    int files = 0, folders = 0;
    EXPECT_EQ(CountFilesInTree(fixture::ToCp932(root + L"\\a"), &files, &folders), 1);
    EXPECT_EQ(folders, 2099);
    EXPECT_EQ(files, 1);
}
