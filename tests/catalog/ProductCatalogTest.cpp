#include "catalog/ProductCatalog.h"
#include "testkit/ProductEntryFields.h"

#include <gtest/gtest.h>

namespace {

const char kSharedKey[] = "Software\\Korami\\KartixNet\\PC";
const char kSharedExtraKey[] = "Software\\Korami\\KartixNet\\KartixWiz";
const char kSharedDataFolder[] = "AtlasData_P2";

class ProductCatalogTest : public testing::Test
{
protected:
    void SetUp() override { m_catalog.Fill(); }

    // Rows 1 to 9.
    const CProductEntry& Row(int row) const { return m_catalog.GetEntry(row - 1); }

    CProductCatalog m_catalog;
};

bool HasLetterIn(const CString& text, char first, char last)
{
    for (const char c : text.Bytes()) {
        if (c >= first && c <= last)
            return true;
    }
    return false;
}

} // namespace

TEST_F(ProductCatalogTest, FillBuildsTheNineRowsInOrder)
{
    const char* const names[] = {"Kartix on net for PC",
                                 "LuminaGo PC",
                                 "茶房ガイド",
                                 "パン屋ガイド",
                                 "Kartix on net for AUTOHAUS",
                                 "北欧旅行ガイド",
                                 "公園ガイド",
                                 "キャンプ場ガイド",
                                 "ルミナGO(PC)"};
    ASSERT_EQ(m_catalog.GetCount(), 9);
    for (int row = 1; row <= 9; ++row)
        EXPECT_EQ(Row(row).GetDisplayName(), CString(names[row - 1])) << "row " << row;
}

TEST_F(ProductCatalogTest, RowNineShowsOneNameAndIsInstalledUnderAnother)
{
    EXPECT_EQ(Row(9).GetDisplayName(), CString("ルミナGO(PC)"));
    EXPECT_EQ(ProductEntryInspector::ProductName(Row(9)), CString("ルミナGO PC"));
    EXPECT_EQ(Row(9).GetShortcutName(), CString("ルミナGO PC.lnk"));
    for (int row = 1; row <= 8; ++row) {
        EXPECT_EQ(ProductEntryInspector::ProductName(Row(row)), Row(row).GetDisplayName()) << "row " << row;
    }
}

TEST_F(ProductCatalogTest, TheEditionsOfOneApplicationShareItsFolderKeysAndData)
{
    const CString folder = ProductEntryInspector::InstallFolder(Row(1));
    for (int row : {1, 2, 5, 9}) {
        SCOPED_TRACE("row " + std::to_string(row));
        EXPECT_EQ(ProductEntryInspector::InstallFolder(Row(row)), folder);
        EXPECT_EQ(Row(row).GetMachineKey(), CString(kSharedKey));
        EXPECT_EQ(Row(row).GetUserKey(), CString(kSharedKey));
        EXPECT_EQ(Row(row).GetDataFolder(), CString(kSharedDataFolder));
    }
    for (int row : {3, 4, 6, 7, 8}) {
        EXPECT_NE(ProductEntryInspector::InstallFolder(Row(row)), folder) << "row " << row;
    }
}

TEST_F(ProductCatalogTest, OnlyRowsOneTwoAndNineHaveTheExtraKey)
{
    for (int row : {1, 2, 9})
        EXPECT_EQ(Row(row).GetExtraMachineKey(), CString(kSharedExtraKey)) << "row " << row;
    for (int row : {3, 4, 5, 6, 7, 8})
        EXPECT_TRUE(Row(row).GetExtraMachineKey().IsEmpty()) << "row " << row;
}

TEST_F(ProductCatalogTest, EveryRowsNamesAndKeysFollowOneForm)
{
    for (int row = 1; row <= 9; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        const CProductEntry& entry = Row(row);
        EXPECT_EQ(entry.GetShortcutName(), ProductEntryInspector::ProductName(entry) + ".lnk");
        EXPECT_EQ(entry.GetMachineKey(), entry.GetUserKey());
        // The product key names the application's own folder, the last one of the install folder.
        const CString folder = ProductEntryInspector::InstallFolder(entry);
        EXPECT_EQ(folder.Mid(folder.ReverseFind('\\') + 1), ProductEntryInspector::ProductKey(entry));

        const CString guid = entry.GetUninstallGuid();
        ASSERT_EQ(guid.GetLength(), 38);
        EXPECT_EQ(guid.GetAt(0), '{');
        EXPECT_EQ(guid.GetAt(37), '}');
    }
}

TEST_F(ProductCatalogTest, RowOnesGuidIsLowerCaseAndTheOthersUpperCase)
{
    // The uninstall key's name as each installer wrote it.
    EXPECT_FALSE(HasLetterIn(Row(1).GetUninstallGuid(), 'A', 'Z')) << Row(1).GetUninstallGuid().GetString();
    EXPECT_TRUE(HasLetterIn(Row(1).GetUninstallGuid(), 'a', 'z'));
    for (int row = 2; row <= 9; ++row) {
        EXPECT_FALSE(HasLetterIn(Row(row).GetUninstallGuid(), 'a', 'z'))
            << "row " << row << ": " << Row(row).GetUninstallGuid().GetString();
        EXPECT_TRUE(HasLetterIn(Row(row).GetUninstallGuid(), 'A', 'Z')) << "row " << row;
    }
}

TEST_F(ProductCatalogTest, OnlyRowSixsDataFolderLacksTheP2Ending)
{
    EXPECT_EQ(Row(6).GetDataFolder().Find("_P2"), -1) << Row(6).GetDataFolder().GetString();
    for (int row : {1, 2, 3, 4, 5, 7, 8, 9}) {
        EXPECT_EQ(Row(row).GetDataFolder().Right(3), CString("_P2")) << "row " << row;
    }
}

TEST_F(ProductCatalogTest, FillAgainStartsAfreshAndClearReleasesEveryRow)
{
    m_catalog.GetEntry(0).SetDisplayName("renamed");
    m_catalog.Fill();
    ASSERT_EQ(m_catalog.GetCount(), 9);
    EXPECT_EQ(Row(1).GetDisplayName(), CString("Kartix on net for PC"));
    m_catalog.Clear();
    EXPECT_EQ(m_catalog.GetCount(), 0);
}
