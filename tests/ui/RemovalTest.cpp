#include "support/Confirmation.h"
#include "support/DialogHarness.h"
#include "support/Fixtures.h"
#include "support/InstalledProduct.h"
#include "support/MessageBoxRecorder.h"
#include "support/PlatformSeam.h"
#include "testkit/ProgramWindows.h"

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <memory>

namespace {

const char kDone[] = "削除は正常終了しました。";
const char kCancelled[] = "削除はキャンセルされました。";
const char kFailed[] = "削除は失敗しました。";

using drive::TextOf;
using fixture::AsciiLower;

// A removal driven through the real dialog: the list, a selection, the delete button, and the
// boxes answered as the test queues them.
class RemovalTest : public DialogTest
{
protected:
    // Selects the list item of this row's product as a user would.
    void Select(int index = 0)
    {
        HWND list = m_dialog->Control(IDC_PRODUCT_LIST);
        ASSERT_GT(SendMessageW(list, LB_GETCOUNT, 0, 0), index);
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        m_dialog->NotifyList(LBN_SELCHANGE);
        ASSERT_TRUE(IsWindowEnabled(m_dialog->Control(IDC_DELETE)));
    }

    // Presses Delete; answers the two confirmations with OK unless queued otherwise.
    void Delete() { m_dialog->Click(IDC_DELETE); }

    // Starts, selects the product and presses Delete, confirming twice; the next box, a locked-file
    // prompt, gets this answer.
    void DeleteAnsweringThePrompt(MessageBoxRecorder::Answer answer)
    {
        Start();
        Select();
        m_boxes.QueueAnswer(IDOK);
        m_boxes.QueueAnswer(IDOK);
        m_boxes.QueueAnswer(std::move(answer));
        Delete();
    }

    // Waits for the dialog to end and returns the text of the last box it showed.
    CString FinalBox()
    {
        EXPECT_TRUE(m_dialog->WaitForEnd(30000)) << "the removal did not end";
        const std::vector<RecordedBox> boxes = m_boxes.Boxes();
        return boxes.empty() ? CString() : boxes.back().text;
    }

    // The second confirmation's text for these paths, in the order they are listed.
    static CString SecondConfirmation(const std::vector<std::wstring>& paths)
    {
        return fixture::ToCp932(SecondConfirmationText(paths));
    }
};

} // namespace

TEST_F(RemovalTest, FullRemovalTakesExactlyTheFivePiecesAndTheFourKeys)
{
    InstalledProduct product(3);
    product.WithAllPieces();
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));

    const std::vector<RecordedBox> boxes = BoxesAfterStart();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, CString("茶房ガイド を削除します。削除してよろしいですか？"));
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_EQ(boxes[1].text,
              SecondConfirmation({product.SetupInfoFolder(), product.StartMenuFolder(), product.DesktopLink(),
                                  product.CacheFolder(), AsciiLower(product.AppFolder())}));
    EXPECT_EQ(boxes[1].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_EQ(boxes[2].type, static_cast<UINT>(MB_OK));
    for (const RecordedBox& box : boxes) {
        EXPECT_EQ(box.caption, CString("ルミナGOシリーズの削除"));
        EXPECT_EQ(box.owner, m_dialog->Window());
    }

    EXPECT_FALSE(product.AnyPieceOnDisk());
    EXPECT_FALSE(product.MachineKeyExists());
    EXPECT_FALSE(product.UninstallKeyExists());
    EXPECT_FALSE(product.UserKeyExists());
    EXPECT_TRUE(product.CanariesIntact());
    // The group folder above the product's Start-menu folder holds another product's: it stays.
    EXPECT_TRUE(fixture::Exists(product.StartMenuGroup() + L"\\Canary\\Canary.lnk"));
    EXPECT_TRUE(fixture::Exists(product.ProgramsFolder()));
}

TEST_F(RemovalTest, WhatThe64BitRegistryViewHoldsIsNeitherListedNorTouched)
{
    // The products' 32-bit installers wrote into the 32-bit view; the same names in the 64-bit view
    // belong to something else.
    InstalledProduct product(3);
    product.WithAppFolder();
    const std::wstring machineKey = product.Catalog().machineKey;
    const std::wstring uninstallKey = products::UninstallKey(3);
    fixture::SetString(HKEY_LOCAL_MACHINE, machineKey, L"InstallPath", L"C:\\elsewhere", KEY_WOW64_64KEY);
    fixture::SetString(HKEY_LOCAL_MACHINE, uninstallKey, L"DisplayName", L"茶房ガイド", KEY_WOW64_64KEY);
    fixture::SetString(HKEY_LOCAL_MACHINE, products::UninstallKey(4), L"DisplayName", L"パン屋ガイド",
                       KEY_WOW64_64KEY);
    Start();
    ASSERT_EQ(SendMessageW(m_dialog->Control(IDC_PRODUCT_LIST), LB_GETCOUNT, 0, 0), 1);
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_FALSE(product.MachineKeyExists());
    EXPECT_FALSE(product.UninstallKeyExists());
    EXPECT_FALSE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(fixture::ValueExists(HKEY_LOCAL_MACHINE, machineKey, L"InstallPath", KEY_WOW64_64KEY));
    EXPECT_TRUE(fixture::ValueExists(HKEY_LOCAL_MACHINE, uninstallKey, L"DisplayName", KEY_WOW64_64KEY));
}

TEST_F(RemovalTest, AFolderOnTheWaySwappedForALinkAfterTheSurveyLeadsTheDeletionNowhere)
{
    // The second confirmation can stay open for as long as the user likes; meanwhile someone who
    // may write above the application folder puts a link in its way, to a folder of the same name.
    InstalledProduct product(3);
    fixture::TempFolder root;
    const std::wstring app = root / L"Apps\\TeaAtlas";
    fixture::MakeFile(app + L"\\TeaAtlas.exe", "app");
    fixture::MakeFile(root / L"Elsewhere\\TeaAtlas\\keep.dat", "keep");
    product.SetInstallPath(app);
    Start();
    Select();
    m_boxes.QueueAnswer(IDOK);
    bool swapped = false;
    m_boxes.QueueAnswer([&](const RecordedBox&) {
        swapped = fixture::SwapForDirectoryLink(root / L"Apps", root / L"Moved", root / L"Elsewhere");
        return IDOK;
    });
    Delete();
    EXPECT_EQ(FinalBox(), CString(kFailed));
    ASSERT_TRUE(swapped);
    EXPECT_EQ(fixture::ReadBytes(root / L"Elsewhere\\TeaAtlas\\keep.dat"), "keep");
    EXPECT_TRUE(fixture::Exists(root / L"Moved\\TeaAtlas\\TeaAtlas.exe"))
        << "nor is the surveyed folder touched";
    EXPECT_TRUE(product.MachineKeyExists()) << "a failed removal stops before the keys";
}

TEST_F(RemovalTest, AStartMenuGroupWithOtherContentStays)
{
    InstalledProduct product(7);
    product.WithStartMenu();
    fixture::MakeFile(product.StartMenuGroup() + L"\\Other.lnk");
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_FALSE(fixture::Exists(product.StartMenuFolder()));
    EXPECT_TRUE(fixture::Exists(product.StartMenuGroup() + L"\\Other.lnk"));
}

TEST_F(RemovalTest, AShortcutDirectlyInProgramsTakesOnlyTheShortcut)
{
    InstalledProduct product(7);
    const std::wstring shortcut = product.ProgramsFolder() + L"\\" + product.Catalog().shortcut;
    fixture::MakeFile(shortcut);
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_EQ(BoxesAfterStart()[1].text, SecondConfirmation({shortcut}));
    EXPECT_FALSE(fixture::Exists(shortcut));
    EXPECT_TRUE(product.CanariesIntact());
}

TEST_F(RemovalTest, APcFolderStandsForItsParentButNeverForAProtectedFolder)
{
    InstalledProduct product(7);
    // Start menu: Programs\コラミ地図ライブラリ\公園ガイド\PC\公園ガイド.lnk takes 公園ガイド.
    product.SetStartMenuFolderName(L"公園ガイド\\PC");
    product.WithStartMenu();
    // Application: "C:\Program Files\PC" must not become "c:\program files".
    product.SetInstallPath(L"C:\\Program Files\\PC");
    fixture::MakeFile(L"C:\\Program Files\\PC\\park.exe");
    fixture::MakeFile(L"C:\\Program Files\\Canary\\keep.txt");
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_EQ(BoxesAfterStart()[1].text,
              SecondConfirmation({product.StartMenuGroup() + L"\\公園ガイド", L"c:\\program files\\pc"}));
    EXPECT_FALSE(fixture::Exists(product.StartMenuGroup() + L"\\公園ガイド"));
    EXPECT_FALSE(fixture::Exists(L"C:\\Program Files\\PC"));
    EXPECT_TRUE(fixture::Exists(L"C:\\Program Files\\Canary\\keep.txt"));
    fixture::RemoveTree(L"C:\\Program Files\\Canary");
}

TEST_F(RemovalTest, AStartMenuFolderNamedOutsideCodePage932NamesNothing)
{
    InstalledProduct product(3);
    // The program's text of "Café" is "Caf?", which as a pattern also matches its neighbour "Cafe".
    product.SetStartMenuFolderName(L"Caf\u00e9");
    product.WithStartMenu();
    fixture::MakeFile(product.StartMenuGroup() + L"\\Cafe\\keep.lnk");
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_EQ(BoxesAfterStart().size(), 2u) << "nothing to confirm";
    EXPECT_TRUE(fixture::Exists(product.StartMenuGroup() + L"\\Cafe\\keep.lnk"));
    EXPECT_TRUE(fixture::Exists(product.StartMenuFolder()));
}

TEST_F(RemovalTest, ARunningProductIsRefused)
{
    InstalledProduct product(3);
    product.WithAllPieces();
    HWND running = CreateWindowExW(0, L"STATIC", L"茶房ガイド", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
    Start();
    Select();
    Delete();
    m_dialog->Flush();
    DestroyWindow(running);

    const std::vector<RecordedBox> boxes = BoxesAfterStart();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              CString("茶房ガイドは起動しています。\nアプリケーションを終了させて実行してください。"));
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_FALSE(m_dialog->Ended());
    EXPECT_TRUE(IsWindowEnabled(m_dialog->Control(IDC_DELETE)));
    EXPECT_TRUE(IsWindowEnabled(m_dialog->Control(IDC_PRODUCT_LIST)));
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(product.MachineKeyExists());
}

TEST_F(RemovalTest, CancellingTheFirstConfirmationTouchesNothing)
{
    InstalledProduct product(3);
    product.WithAllPieces();
    Start();
    Select();
    m_boxes.QueueAnswer(IDCANCEL);
    Delete();
    m_dialog->Flush();
    EXPECT_EQ(BoxesAfterStart().size(), 1u);
    EXPECT_FALSE(m_dialog->Ended());
    EXPECT_TRUE(IsWindowEnabled(m_dialog->Control(IDC_EXIT)));
    EXPECT_EQ(TextOf(m_dialog->Control(IDC_INFO)), L"");
    EXPECT_TRUE(product.AnyPieceOnDisk());
    EXPECT_TRUE(fixture::Exists(product.CacheFolder()));
    EXPECT_TRUE(product.UninstallKeyExists());
}

TEST_F(RemovalTest, CancellingTheSecondConfirmationRestoresTheDialog)
{
    InstalledProduct product(3);
    product.WithAllPieces();
    Start();
    Select();
    m_boxes.QueueAnswer(IDOK);
    m_boxes.QueueAnswer([&](const RecordedBox&) {
        // During the survey the dialog is locked and says what it does.
        EXPECT_FALSE(IsWindowEnabled(m_dialog->Control(IDC_PRODUCT_LIST)));
        EXPECT_FALSE(IsWindowEnabled(m_dialog->Control(IDC_EXIT)));
        EXPECT_FALSE(IsWindowEnabled(m_dialog->Control(IDC_DELETE)));
        EXPECT_EQ(TextOf(m_dialog->Control(IDC_INFO)), L"茶房ガイド を削除中です...");
        return IDCANCEL;
    });
    Delete();
    m_dialog->Flush();
    EXPECT_EQ(BoxesAfterStart().size(), 2u);
    EXPECT_FALSE(m_dialog->Ended());
    EXPECT_TRUE(IsWindowEnabled(m_dialog->Control(IDC_PRODUCT_LIST)));
    EXPECT_TRUE(IsWindowEnabled(m_dialog->Control(IDC_DELETE)));
    EXPECT_TRUE(IsWindowEnabled(m_dialog->Control(IDC_EXIT)));
    EXPECT_TRUE(IsWindowEnabled(m_dialog->Window()));
    EXPECT_EQ(TextOf(m_dialog->Control(IDC_INFO)), L"");
    EXPECT_TRUE(fixture::Exists(product.StartMenuFolder()));
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(product.MachineKeyExists());
    EXPECT_TRUE(product.UserKeyExists());

    // Enter still ends the idle dialog: no removal runs.
    SendMessageW(m_dialog->Window(), WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(m_dialog->WaitForEnd());
}

TEST_F(RemovalTest, NothingOnDiskRemovesTheKeysWithoutASecondConfirmation)
{
    InstalledProduct product(4);
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_EQ(BoxesAfterStart().size(), 2u) << "first confirmation and the result only";
    EXPECT_FALSE(product.MachineKeyExists());
    EXPECT_FALSE(product.UninstallKeyExists());
    EXPECT_FALSE(product.UserKeyExists());
    EXPECT_TRUE(product.CanariesIntact());
}

TEST_F(RemovalTest, TheExtraMachineKeyGoesWithItsRows)
{
    InstalledProduct product(9);
    fixture::SetString(HKEY_LOCAL_MACHINE, product.Catalog().extraMachineKey, L"other", L"x",
                       products::kMachineView);
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_FALSE(product.ExtraKeyExists());
    EXPECT_FALSE(product.MachineKeyExists());
}

TEST_F(RemovalTest, ARegistryStepThatFailsLeavesTheLaterKeys)
{
    InstalledProduct product(3);
    // A sub-key nobody may delete makes the machine key's deletion fail.
    fixture::UndeletableSubKey locked(HKEY_LOCAL_MACHINE, product.Catalog().machineKey,
                                      products::kMachineView);
    ASSERT_TRUE(locked.Made());
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kFailed));
    const std::vector<RecordedBox> boxes = BoxesAfterStart();
    ASSERT_GE(boxes.size(), 3u);
    const RecordedBox failure = boxes[boxes.size() - 2];
    EXPECT_EQ(failure.text,
              CString("レジストリの削除に失敗しました。\n\nHKEY_LOCAL_MACHINE\\Software\\Korami\\TeaAtlas"));
    EXPECT_EQ(failure.type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(failure.owner, m_dialog->Window());
    EXPECT_NE(failure.threadId, boxes[0].threadId) << "shown by the worker";
    EXPECT_EQ(boxes.back().type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(product.UninstallKeyExists());
    EXPECT_TRUE(product.UserKeyExists());
}

TEST_F(RemovalTest, CancelDuringTheApplicationStepLeavesTheRegistry)
{
    InstalledProduct product(3);
    product.WithCacheFolder().WithAppFolder(400);
    Start();
    Select();
    Delete();
    // The worker enables the cancel button at its start; the cache step's pause gives the click
    // time to land before the application step.
    ASSERT_TRUE(
        fixture::WaitUntil([&] { return IsWindowEnabled(m_dialog->Control(IDC_CANCEL_REMOVAL)) != FALSE; }));
    m_dialog->Click(IDC_CANCEL_REMOVAL);
    EXPECT_EQ(FinalBox(), CString(kCancelled));
    EXPECT_EQ(m_boxes.Boxes().back().type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_FALSE(fixture::Exists(product.CacheFolder()));
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(product.MachineKeyExists());
    EXPECT_TRUE(product.UninstallKeyExists());
    EXPECT_TRUE(product.UserKeyExists());
}

TEST_F(RemovalTest, CancelWithoutAnApplicationStepChangesNothing)
{
    InstalledProduct product(3);
    product.WithCacheFolder().WithSetupInfo();
    Start();
    Select();
    Delete();
    ASSERT_TRUE(
        fixture::WaitUntil([&] { return IsWindowEnabled(m_dialog->Control(IDC_CANCEL_REMOVAL)) != FALSE; }));
    m_dialog->Click(IDC_CANCEL_REMOVAL);
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_FALSE(product.AnyPieceOnDisk());
    EXPECT_FALSE(product.MachineKeyExists());
}

namespace {

// An answer to the locked-file prompt of the application step and how the removal ends.
struct LockedFileAnswer
{
    const char* name;
    int answer; // Retry: the file is released first
    const char* finalBox;
    bool keysStay;
};

class LockedFileRemovalTest : public RemovalTest, public testing::WithParamInterface<LockedFileAnswer>
{
};

void PrintTo(const LockedFileAnswer& a, std::ostream* os)
{
    *os << a.name;
}

} // namespace

TEST_P(LockedFileRemovalTest, TheAnswerDecidesHowTheRemovalEnds)
{
    const LockedFileAnswer& a = GetParam();
    InstalledProduct product(3);
    product.WithAppFolder(5);
    fixture::LockedFile lock(product.AppFolder() + L"\\file0.dat");
    DeleteAnsweringThePrompt([&](const RecordedBox&) {
        if (a.answer == IDRETRY)
            lock.Release();
        return a.answer;
    });
    EXPECT_EQ(FinalBox(), CString(a.finalBox));
    const std::vector<RecordedBox> boxes = BoxesAfterStart();
    ASSERT_EQ(boxes.size(), 4u);
    // The path as confirmed (lower-cased) but for the names the deletion met on disk: the
    // application folder's own and the file's.
    EXPECT_EQ(boxes[2].text,
              CString("c:\\program files (x86)\\northstage\\TeaAtlasData\\file0.datがロック中です。"));
    EXPECT_EQ(boxes[2].owner, m_dialog->Window());
    lock.Release();
    EXPECT_EQ(fixture::Exists(product.AppFolder() + L"\\file0.dat"), a.answer != IDRETRY);
    // "data" is listed before "file0.dat": it is gone whatever the answer.
    EXPECT_FALSE(fixture::Exists(product.AppFolder() + L"\\data"));
    EXPECT_EQ(product.MachineKeyExists(), a.keysStay);
    EXPECT_EQ(product.UninstallKeyExists(), a.keysStay);
}

INSTANTIATE_TEST_SUITE_P(Answers, LockedFileRemovalTest,
                         testing::Values(LockedFileAnswer{"Abort", IDABORT, kCancelled, true},
                                         LockedFileAnswer{"Retry", IDRETRY, kDone, false},
                                         LockedFileAnswer{"Ignore", IDIGNORE, kDone, false}),
                         [](const testing::TestParamInfo<LockedFileAnswer>& info) {
                             return info.param.name;
                         });

TEST_F(RemovalTest, AbortInASilentStepEndsWithTheCancelledBox)
{
    InstalledProduct product(3);
    product.WithCacheFolder().WithAppFolder();
    fixture::LockedFile lock(product.CacheFolder() + L"\\index.dat");
    DeleteAnsweringThePrompt([](const RecordedBox&) { return IDABORT; });
    EXPECT_EQ(FinalBox(), CString(kCancelled));
    EXPECT_EQ(BoxesAfterStart()[2].owner, nullptr) << "a silent step's prompt has no owner";
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(product.MachineKeyExists());
}

namespace {

struct ProtectedCase
{
    const char* name;
    const KNOWNFOLDERID* folder; // the protected folder, given as the install path
};

class ProtectedFolderTest : public RemovalTest, public testing::WithParamInterface<ProtectedCase>
{
};

void PrintTo(const ProtectedCase& c, std::ostream* os)
{
    *os << c.name;
}

} // namespace

TEST_P(ProtectedFolderTest, IsNeverARemovalTarget)
{
    InstalledProduct product(3);
    const std::wstring folder = fixture::KnownFolder(*GetParam().folder);
    ASSERT_FALSE(folder.empty());
    const std::wstring canary = folder + L"\\SeriesCleanCanary\\keep.txt";
    fixture::MakeFile(canary);
    product.SetInstallPath(folder);
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_EQ(BoxesAfterStart().size(), 2u) << "nothing to confirm: the folder is not a target";
    EXPECT_TRUE(fixture::Exists(canary));
    fixture::RemoveTree(folder + L"\\SeriesCleanCanary");
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ProtectedFolderTest,
    testing::Values(
        ProtectedCase{"ProgramFiles", &FOLDERID_ProgramFiles},
        ProtectedCase{"CommonFiles", &FOLDERID_ProgramFilesCommon},
        ProtectedCase{"Windows", &FOLDERID_Windows}, ProtectedCase{"System", &FOLDERID_System},
        ProtectedCase{"Fonts", &FOLDERID_Fonts}, ProtectedCase{"ProgramData", &FOLDERID_ProgramData},
        ProtectedCase{"CommonPrograms", &FOLDERID_CommonPrograms},
        ProtectedCase{"CommonStartMenu", &FOLDERID_CommonStartMenu},
        ProtectedCase{"PublicDesktop", &FOLDERID_PublicDesktop},
        ProtectedCase{"Users", &FOLDERID_UserProfiles}, ProtectedCase{"Public", &FOLDERID_Public},
        ProtectedCase{"PublicDocuments", &FOLDERID_PublicDocuments},
        ProtectedCase{"Profile", &FOLDERID_Profile}, ProtectedCase{"Documents", &FOLDERID_Documents},
        ProtectedCase{"Downloads", &FOLDERID_Downloads}, ProtectedCase{"Favorites", &FOLDERID_Favorites},
        ProtectedCase{"Templates", &FOLDERID_Templates}, ProtectedCase{"AppData", &FOLDERID_RoamingAppData},
        ProtectedCase{"LocalAppDataLow", &FOLDERID_LocalAppDataLow}),
    [](const testing::TestParamInfo<ProtectedCase>& info) { return info.param.name; });

TEST_F(RemovalTest, AProtectedFolderBehindADirectoryLinkIsRefused)
{
    InstalledProduct product(3);
    fixture::TempFolder root;
    const std::wstring documents = fixture::KnownFolder(FOLDERID_Documents);
    const std::wstring programFiles = fixture::KnownFolder(FOLDERID_ProgramFiles);
    fixture::MakeFile(documents + L"\\SeriesCleanCanary\\keep.txt");
    fixture::MakeFile(programFiles + L"\\SeriesCleanCanary\\keep.txt");
    // The install path is a link to Documents; the cache folder's own name is a link to Program
    // Files.
    fixture::MakeDirectoryLink(root / L"Docs", documents);
    fixture::MakeDirectoryLink(root / product.Catalog().dataFolder, programFiles);
    product.SetInstallPath(root / L"Docs");
    product.SetCachePath(root.Path() + L"\\");
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_EQ(BoxesAfterStart().size(), 2u) << "nothing to confirm";
    EXPECT_TRUE(fixture::Exists(documents + L"\\SeriesCleanCanary\\keep.txt"));
    EXPECT_TRUE(fixture::Exists(programFiles + L"\\SeriesCleanCanary\\keep.txt"));
    EXPECT_TRUE(fixture::Exists(root / L"Docs"));
    fixture::RemoveTree(documents + L"\\SeriesCleanCanary");
    fixture::RemoveTree(programFiles + L"\\SeriesCleanCanary");
}

TEST_F(RemovalTest, ASubstDriveDoesNotHideAProtectedFolder)
{
    InstalledProduct product(3);
    const std::wstring users = fixture::KnownFolder(FOLDERID_UserProfiles);
    fixture::MakeFile(users + L"\\Public\\SeriesCleanCanary.txt");
    // S: stands for C:\Users, so "S:\Public" is the Public folder.
    fixture::DosDeviceLink drive(L"s:", users, L"S:\\Public\\SeriesCleanCanary.txt");
    product.SetInstallPath(L"S:\\Public");
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_EQ(BoxesAfterStart().size(), 2u) << "nothing to confirm";
    EXPECT_TRUE(fixture::Exists(users + L"\\Public\\SeriesCleanCanary.txt"));
    fixture::RemoveTree(users + L"\\Public\\SeriesCleanCanary.txt");
}

namespace {

// Registry values that name the product's folders in other spellings Windows accepts. The old way
// of rebuilding a path from the text before its last backslash named the canary folders instead.
struct RegistryPathCase
{
    const char* name;
    const wchar_t* installPath;
    const wchar_t* cachePath;
    const wchar_t* canary; // a folder of a wrongly rebuilt name, or empty
};

class RegistryPathTest : public RemovalTest, public testing::WithParamInterface<RegistryPathCase>
{
};

void PrintTo(const RegistryPathCase& c, std::ostream* os)
{
    *os << c.name;
}

} // namespace

TEST_P(RegistryPathTest, NamesTheProductFolderAndNothingElse)
{
    InstalledProduct product(3);
    product.WithCacheFolder().WithAppFolder();
    product.SetInstallPath(GetParam().installPath);
    product.SetCachePath(GetParam().cachePath);
    const std::wstring canary = GetParam().canary;
    if (!canary.empty())
        fixture::MakeFile(canary + L"\\keep.txt");
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_EQ(BoxesAfterStart()[1].text,
              SecondConfirmation({product.CacheFolder(), AsciiLower(product.AppFolder())}));
    EXPECT_FALSE(fixture::Exists(product.CacheFolder()));
    EXPECT_FALSE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(product.CanariesIntact());
    if (!canary.empty()) {
        EXPECT_TRUE(fixture::Exists(canary + L"\\keep.txt"));
        fixture::RemoveTree(canary);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, RegistryPathTest,
    testing::Values(
        RegistryPathCase{"Slashes", L"C:\\Program Files (x86)/NORTHSTAGE/TeaAtlasData",
                         L"C:\\users/Public/SeriesCleanTests/Cache/", L"C:\\TeaAtlasData"},
        RegistryPathCase{"Dots", L"C:\\Program Files (x86)\\NORTHSTAGE\\.\\TeaAtlasData",
                         L"C:\\users\\Public\\SeriesCleanTests\\.\\Cache\\",
                         L"C:\\users\\Public\\SeriesCleanTests\\SeriesCleanTests\\Cache\\TeaAtlasData_P2"},
        RegistryPathCase{"DotDots", L"C:\\Program Files (x86)\\NORTHSTAGE\\CanaryAtlas\\..\\TeaAtlasData",
                         L"C:\\users\\Public\\SeriesCleanTests\\Cache\\..\\Cache\\", L""},
        RegistryPathCase{"TrailingDotsBlanksAndDoubledSeparators",
                         L"C:\\Program Files (x86)\\\\NORTHSTAGE\\TeaAtlasData. .",
                         L"C:\\users\\Public\\\\SeriesCleanTests\\Cache\\", L""}),
    [](const testing::TestParamInfo<RegistryPathCase>& info) { return info.param.name; });

namespace {

// Device, NT, long-path and share spellings of a local path. Windows opens every one of them;
// none is a local full path, so none names anything.
struct DeviceSpelling
{
    const char* name;
    const wchar_t* prefix; // put before the path
    size_t skipped;        // characters of the path left out: "C:" for shares, "C:\\" for drive-relative
};

class DeviceSpellingTest : public RemovalTest, public testing::WithParamInterface<DeviceSpelling>
{
protected:
    static std::wstring Spell(const std::wstring& path)
    {
        return GetParam().prefix + path.substr(GetParam().skipped);
    }
};

void PrintTo(const DeviceSpelling& c, std::ostream* os)
{
    *os << c.name;
}

} // namespace

TEST_P(DeviceSpellingTest, NamesNothing)
{
    InstalledProduct product(3);
    product.WithCacheFolder();
    // Wine has no administrative share of its own: this one reaches drive C as Windows' would.
    fixture::DosDeviceLink share(L"unc/localhost/c$", L"C:\\", L"\\\\localhost\\c$\\windows");
    fixture::MakeFile(L"C:\\Program Files\\PC\\park.exe");
    fixture::MakeFile(L"C:\\Program Files\\Canary\\keep.txt");
    // Neither the product's own cache folder nor, through the "PC" rule, Program Files.
    product.SetCachePath(Spell(product.CacheBase()));
    product.SetInstallPath(Spell(L"C:\\Program Files\\PC"));
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_EQ(BoxesAfterStart().size(), 2u) << "nothing to confirm";
    EXPECT_TRUE(fixture::Exists(product.CacheFolder()));
    EXPECT_TRUE(fixture::Exists(L"C:\\Program Files\\PC\\park.exe"));
    EXPECT_TRUE(fixture::Exists(L"C:\\Program Files\\Canary\\keep.txt"));
    fixture::RemoveTree(L"C:\\Program Files\\Canary");
    fixture::RemoveTree(L"C:\\Program Files\\PC");
}

INSTANTIATE_TEST_SUITE_P(Spellings, DeviceSpellingTest,
                         testing::Values(DeviceSpelling{"Device", L"\\\\.\\", 0},
                                         DeviceSpelling{"LongPath", L"\\\\?\\", 0},
                                         DeviceSpelling{"NtObject", L"\\??\\", 0},
                                         DeviceSpelling{"DriveRelative", L"C:", 3},
                                         DeviceSpelling{"Share", L"\\\\localhost\\c$", 2},
                                         DeviceSpelling{"ShareWithSlashes", L"//localhost/c$", 2},
                                         DeviceSpelling{"DeviceShare", L"\\\\.\\UNC\\localhost\\c$", 2},
                                         DeviceSpelling{"LongPathShare", L"\\\\?\\UNC\\localhost\\c$", 2}),
                         [](const testing::TestParamInfo<DeviceSpelling>& info) { return info.param.name; });

TEST_F(RemovalTest, FoldersAboveProtectedOnesAndRootsAreNeverTargets)
{
    InstalledProduct product(3);
    fixture::MakeFile(L"C:\\users\\SeriesCleanCanary.txt");
    // "C:\users" lies above every profile; "C:\" is the drive.
    product.SetInstallPath(L"C:\\USERS");
    product.SetCachePath(L"C:\\");
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_EQ(BoxesAfterStart().size(), 2u);
    EXPECT_TRUE(fixture::Exists(L"C:\\users\\SeriesCleanCanary.txt"));
    fixture::RemoveTree(L"C:\\users\\SeriesCleanCanary.txt");
}

TEST_F(RemovalTest, EmptyPathsAndWildcardsNameNothing)
{
    InstalledProduct product(3);
    product.WithAppFolder();
    product.SetCachePath(L"");
    // Would match the product's own folder, and any other beginning with "Tea" too.
    product.SetInstallPath(L"C:\\Program Files\\NORTHSTAGE\\Tea*");
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_EQ(BoxesAfterStart().size(), 2u);
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
}

TEST_F(RemovalTest, RemovingOneSharedRowRemovesTheSharedKeysAndTheOthersStayListed)
{
    InstalledProduct product(2);
    product.WithAppFolder();
    products::Install(1);
    products::Install(5);
    Start();
    ASSERT_EQ(SendMessageW(m_dialog->Control(IDC_PRODUCT_LIST), LB_GETCOUNT, 0, 0), 3);
    Select(1); // row 2
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    EXPECT_FALSE(product.MachineKeyExists());
    EXPECT_FALSE(product.UninstallKeyExists());
    EXPECT_TRUE(fixture::KeyExists(HKEY_LOCAL_MACHINE, products::UninstallKey(1), products::kMachineView));

    // The next start lists the other rows, now without version values.
    m_boxes.QueueAnswer(IDOK);
    Start();
    const std::vector<std::wstring> expected = {L"Kartix on net for PC (V R SP )",
                                                L"Kartix on net for AUTOHAUS (V R SP )"};
    EXPECT_EQ(drive::ListItems(m_dialog->Control(IDC_PRODUCT_LIST)), expected);
}

TEST_F(RemovalTest, OutsideNtThePerUserFoldersAndTheRegistryProgramFilesAreUsed)
{
    ScopedPlatform windows9x(0, 0);
    InstalledProduct product(6);
    product.WithStartMenu(true).WithDesktopLink(true); // all-users pieces are not looked at
    product.WithStartMenu(false).WithDesktopLink(false).WithSetupInfo();
    Start();
    Select();
    Delete();
    EXPECT_EQ(FinalBox(), CString(kDone));
    const std::wstring userPrograms = fixture::ShellFolder(CSIDL_PROGRAMS);
    const std::wstring userDesktop = fixture::ShellFolder(CSIDL_DESKTOPDIRECTORY);
    EXPECT_FALSE(fixture::Exists(userPrograms + L"\\コラミ地図ライブラリ\\北欧旅行ガイド"));
    EXPECT_FALSE(fixture::Exists(userDesktop + L"\\北欧旅行ガイド.lnk"));
    EXPECT_TRUE(fixture::Exists(product.StartMenuFolder()));
    EXPECT_TRUE(fixture::Exists(product.DesktopLink()));
    EXPECT_FALSE(fixture::Exists(product.SetupInfoFolder()));
}
