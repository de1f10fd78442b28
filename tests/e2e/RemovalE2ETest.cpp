#include "e2e/ProgramDriver.h"
#include "support/Confirmation.h"
#include "support/Fixtures.h"
#include "support/InstalledProduct.h"
#include "ui/resource.h"

#include <gtest/gtest.h>

using namespace e2e;
using fixture::AsciiLower;

namespace {

const wchar_t kDone[] = L"削除は正常終了しました。";
const wchar_t kCancelled[] = L"削除はキャンセルされました。";

// Answers the first confirmation of product's removal with OK and returns the second one.
HWND ConfirmFirst(const Program& program, const std::wstring& displayName)
{
    HWND first = WaitForBoxText(program, displayName + L" を削除します。削除してよろしいですか？");
    EXPECT_NE(first, nullptr) << "no first confirmation";
    if (!first)
        return nullptr;
    Press(first, IDOK);
    return WaitForBox(
        program, [](const std::wstring& text) { return text.rfind(L"以下のデータを削除します。", 0) == 0; });
}

// Selects the first product and confirms its removal twice; returns the next box whose text
// satisfies matches.
template <class Matches>
HWND RemoveFirstProductUntil(const Program& program, HWND dialog, const std::wstring& displayName,
                             Matches matches)
{
    SelectAndDelete(dialog, 0);
    HWND second = ConfirmFirst(program, displayName);
    EXPECT_NE(second, nullptr);
    if (!second)
        return nullptr;
    Press(second, IDOK);
    return WaitForBox(program, matches);
}

HWND RemoveFirstProduct(const Program& program, HWND dialog, const std::wstring& displayName,
                        const std::wstring& finalText)
{
    return RemoveFirstProductUntil(program, dialog, displayName,
                                   [&](const std::wstring& text) { return text == finalText; });
}

bool IsLockedFilePrompt(const std::wstring& text)
{
    return text.size() > 8 && text.compare(text.size() - 8, 8, L"がロック中です。") == 0;
}

// The second confirmation lists exactly these pieces; OK then runs the removal to its final box,
// which is answered, and the program ends.
void ConfirmListAndFinish(Program& program, HWND second, const std::vector<std::wstring>& pieces)
{
    EXPECT_EQ(BoxText(second), SecondConfirmationText(pieces));
    Press(second, IDOK);
    HWND done = WaitForBoxText(program, kDone);
    ASSERT_NE(done, nullptr);
    Press(done, IDOK);
    EXPECT_TRUE(program.WaitForExit());
}

} // namespace

TEST(RemovalE2ETest, AFullRemovalAsANewUserMakesIt)
{
    InstalledProduct product(3);
    product.WithAllPieces();

    Program program;
    HWND dialog = StartToMainDialog(program);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(ListItems(GetDlgItem(dialog, IDC_PRODUCT_LIST)),
              std::vector<std::wstring>{L"茶房ガイド (V3 R1 SP2 A)"});
    SelectAndDelete(dialog, 0);

    HWND second = ConfirmFirst(program, L"茶房ガイド");
    ASSERT_NE(second, nullptr);
    ConfirmListAndFinish(program, second,
                         {product.SetupInfoFolder(), product.StartMenuFolder(), product.DesktopLink(),
                          product.CacheFolder(), AsciiLower(product.AppFolder())});

    EXPECT_FALSE(product.AnyPieceOnDisk());
    EXPECT_FALSE(product.MachineKeyExists());
    EXPECT_FALSE(product.UninstallKeyExists());
    EXPECT_FALSE(product.UserKeyExists());
    EXPECT_TRUE(product.CanariesIntact());
}

TEST(RemovalE2ETest, ARunningProductIsRefused)
{
    InstalledProduct product(7);
    product.WithAppFolder();
    HWND running = CreateWindowExW(0, L"STATIC", L"公園ガイド", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);

    Program program;
    HWND dialog = StartToMainDialog(program);
    ASSERT_NE(dialog, nullptr);
    SelectAndDelete(dialog, 0);
    HWND refusal = WaitForBoxText(
        program, L"公園ガイドは起動しています。\nアプリケーションを終了させて実行してください。");
    ASSERT_NE(refusal, nullptr);
    Press(refusal, IDOK);
    DestroyWindow(running);

    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(refusal); }));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_EXIT)));
    Press(dialog, IDC_EXIT);
    EXPECT_TRUE(program.WaitForExit());
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(product.MachineKeyExists());
}

TEST(RemovalE2ETest, AbortAtALockedFileCancelsTheRemoval)
{
    InstalledProduct product(3);
    product.WithAppFolder(6);
    fixture::LockedFile lock(product.AppFolder() + L"\\file0.dat");

    Program program;
    HWND dialog = StartToMainDialog(program);
    ASSERT_NE(dialog, nullptr);
    HWND locked = RemoveFirstProductUntil(program, dialog, L"茶房ガイド", IsLockedFilePrompt);
    ASSERT_NE(locked, nullptr);
    EXPECT_NE(GetDlgItem(locked, IDABORT), nullptr);
    EXPECT_NE(GetDlgItem(locked, IDRETRY), nullptr);
    EXPECT_NE(GetDlgItem(locked, IDIGNORE), nullptr);
    Press(locked, IDABORT);

    HWND cancelled = WaitForBoxText(program, kCancelled);
    ASSERT_NE(cancelled, nullptr);
    Press(cancelled, IDOK);
    EXPECT_TRUE(program.WaitForExit());
    lock.Release();
    EXPECT_TRUE(fixture::Exists(product.AppFolder() + L"\\file0.dat"));
    EXPECT_TRUE(product.MachineKeyExists());
    EXPECT_TRUE(product.UninstallKeyExists());
}

TEST(RemovalE2ETest, AKilledRemovalCanBeCompletedByTheNextStart)
{
    InstalledProduct product(6);
    product.WithAllPieces();
    product.WithAppFolder(40);
    {
        fixture::LockedFile lock(product.AppFolder() + L"\\file0.dat");
        Program program;
        HWND dialog = StartToMainDialog(program);
        ASSERT_NE(dialog, nullptr);
        // The removal is under way when the locked file stops it: the program is killed there.
        ASSERT_NE(RemoveFirstProductUntil(program, dialog, L"北欧旅行ガイド", IsLockedFilePrompt), nullptr);
        program.Kill();
    }
    EXPECT_FALSE(fixture::Exists(product.StartMenuFolder()));
    EXPECT_TRUE(product.UninstallKeyExists());

    Program program;
    HWND dialog = StartToMainDialog(program);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(ListItems(GetDlgItem(dialog, IDC_PRODUCT_LIST)),
              std::vector<std::wstring>{L"北欧旅行ガイド (V3 R1 SP2 A)"});
    HWND done = RemoveFirstProduct(program, dialog, L"北欧旅行ガイド", kDone);
    ASSERT_NE(done, nullptr);
    Press(done, IDOK);
    EXPECT_TRUE(program.WaitForExit());
    EXPECT_FALSE(product.AnyPieceOnDisk());
    EXPECT_FALSE(product.UninstallKeyExists());
    EXPECT_TRUE(product.CanariesIntact());
}

TEST(RemovalE2ETest, ARegistryPathWithSlashesAndDotsRemovesTheConfirmedFoldersOnly)
{
    InstalledProduct product(3);
    product.WithCacheFolder().WithAppFolder();
    product.SetInstallPath(L"C:\\Program Files (x86)/NORTHSTAGE/TeaAtlasData");
    product.SetCachePath(L"C:\\users\\Public\\SeriesCleanTests\\.\\Cache\\");
    // What rebuilding from the text before the last backslash would have named.
    fixture::MakeFile(L"C:\\TeaAtlasData\\keep.txt");
    fixture::MakeFile(
        L"C:\\users\\Public\\SeriesCleanTests\\SeriesCleanTests\\Cache\\TeaAtlasData_P2\\keep.txt");

    Program program;
    HWND dialog = StartToMainDialog(program);
    ASSERT_NE(dialog, nullptr);
    SelectAndDelete(dialog, 0);
    HWND second = ConfirmFirst(program, L"茶房ガイド");
    ASSERT_NE(second, nullptr);
    ConfirmListAndFinish(program, second, {product.CacheFolder(), AsciiLower(product.AppFolder())});

    EXPECT_FALSE(fixture::Exists(product.AppFolder()));
    EXPECT_FALSE(fixture::Exists(product.CacheFolder()));
    EXPECT_TRUE(fixture::Exists(L"C:\\TeaAtlasData\\keep.txt"));
    EXPECT_TRUE(fixture::Exists(
        L"C:\\users\\Public\\SeriesCleanTests\\SeriesCleanTests\\Cache\\TeaAtlasData_P2\\keep.txt"));
    EXPECT_TRUE(product.CanariesIntact());
    fixture::RemoveTree(L"C:\\TeaAtlasData");
}
