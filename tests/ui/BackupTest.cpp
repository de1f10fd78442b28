// The way back from the dialog: every key a removal or the exit prompt deletes is in a .reg file
// that `reg import` reads back exactly, and without that file nothing is deleted.
#include "support/Backups.h"
#include "support/DialogHarness.h"
#include "support/Fixtures.h"
#include "support/InstalledProduct.h"
#include "testkit/Products.h"

#include <gtest/gtest.h>

namespace {

const char kDone[] = "削除は正常終了しました。";
const char kFailed[] = "削除は失敗しました。";

class DialogBackupTest : public DialogTest
{
protected:
    // Selects the only product, confirms twice and waits for the final box.
    CString RemoveTheProduct()
    {
        Start();
        SendMessageW(m_dialog->Control(IDC_PRODUCT_LIST), LB_SETCURSEL, 0, 0);
        m_dialog->NotifyList(LBN_SELCHANGE);
        m_boxes.QueueAnswer(IDOK);
        m_boxes.QueueAnswer(IDOK);
        m_dialog->Click(IDC_DELETE);
        EXPECT_TRUE(m_dialog->WaitForEnd(30000));
        return m_boxes.Boxes().back().text;
    }

    void Exit(int answer)
    {
        m_boxes.QueueAnswer(IDOK);
        m_boxes.QueueAnswer(answer);
        Start();
        m_dialog->Click(IDC_EXIT);
        ASSERT_TRUE(m_dialog->WaitForEnd());
    }
};

} // namespace

TEST_F(DialogBackupTest, EveryKeyARemovalDeletesComesBackWithImport)
{
    InstalledProduct product(3);
    product.WithAllPieces();
    const products::Row& row = product.Catalog();
    WriteOddValues(HKEY_LOCAL_MACHINE, row.machineKey, products::kMachineView);
    WriteOddValues(HKEY_CURRENT_USER, row.userKey);
    const auto machine = TreeOf(HKEY_LOCAL_MACHINE, row.machineKey, products::kMachineView);
    const auto uninstall = TreeOf(HKEY_LOCAL_MACHINE, products::UninstallKey(3), products::kMachineView);
    const auto user = TreeOf(HKEY_CURRENT_USER, row.userKey);
    const std::set<std::wstring> before = BackupFiles();

    EXPECT_EQ(RemoveTheProduct(), CString(kDone));

    ASSERT_FALSE(product.MachineKeyExists());
    ASSERT_FALSE(product.UserKeyExists());
    const std::vector<std::wstring> written = NewBackupFiles(before);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_NE(written[0].find(L" 茶房ガイド.reg"), std::wstring::npos)
        << fixture::ToCp932(written[0]).GetString();
    ASSERT_TRUE(ImportRegFile(written[0]));
    EXPECT_EQ(TreeOf(HKEY_LOCAL_MACHINE, row.machineKey, products::kMachineView), machine);
    EXPECT_EQ(TreeOf(HKEY_LOCAL_MACHINE, products::UninstallKey(3), products::kMachineView), uninstall);
    EXPECT_EQ(TreeOf(HKEY_CURRENT_USER, row.userKey), user);
    EXPECT_FALSE(fixture::KeyExists(HKEY_LOCAL_MACHINE, row.machineKey, KEY_WOW64_64KEY))
        << "the machine keys come back where the products' 32-bit programs look";
}

TEST_F(DialogBackupTest, WithoutABackupARemovalDeletesNothingAndFails)
{
    InstalledProduct product(3);
    product.WithAllPieces();
    const BlockedBackupFolder blocked;
    EXPECT_EQ(RemoveTheProduct(), CString(kFailed));
    EXPECT_EQ(m_boxes.Boxes().back().type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(fixture::Exists(product.StartMenuFolder()));
    EXPECT_TRUE(fixture::Exists(product.CacheFolder()));
    EXPECT_TRUE(product.MachineKeyExists());
    EXPECT_TRUE(product.UserKeyExists());
}

TEST_F(DialogBackupTest, TheExitPromptsYesBacksUpTheSettingsKeyFirst)
{
    products::Clean clean;
    WriteOddValues(HKEY_CURRENT_USER, products::kSettingsKey);
    const auto settings = TreeOf(HKEY_CURRENT_USER, products::kSettingsKey);
    const std::set<std::wstring> before = BackupFiles();

    Exit(IDYES);

    ASSERT_FALSE(fixture::KeyExists(HKEY_CURRENT_USER, products::kSettingsKey));
    const std::vector<std::wstring> written = NewBackupFiles(before);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_NE(written[0].find(L" 設定データ.reg"), std::wstring::npos);
    ASSERT_TRUE(ImportRegFile(written[0]));
    EXPECT_EQ(TreeOf(HKEY_CURRENT_USER, products::kSettingsKey), settings);
}

TEST_F(DialogBackupTest, WithoutABackupTheSettingsKeyStaysWithItsFailureBox)
{
    products::Clean clean;
    fixture::SetString(HKEY_CURRENT_USER, products::kSettingsKey, L"Mark", L"keep");
    const BlockedBackupFolder blocked;

    Exit(IDYES);

    EXPECT_TRUE(fixture::ValueExists(HKEY_CURRENT_USER, products::kSettingsKey, L"Mark"));
    const RecordedBox failure = m_boxes.Boxes().back();
    EXPECT_EQ(failure.text,
              CString("レジストリの削除に失敗しました。\rアプリが稼動してないかなど御確認ください。"));
    EXPECT_EQ(failure.type, static_cast<UINT>(MB_ICONERROR));
}
