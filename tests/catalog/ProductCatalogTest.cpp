#include "catalog/ProductCatalog.h"
#include "testkit/ProductEntryFields.h"

#include <gtest/gtest.h>

namespace {

struct ExpectedRow
{
    const char* displayName;
    const char* productName;
    const char* productKey;
    const char* guid;
    const char* installFolder;
    const char* shortcut;
    const char* machineKey;
    const char* extraKey;
    const char* userKey;
    const char* dataFolder;
};

const ExpectedRow kExpected[9] = {
    {"Kartix on net for PC", "Kartix on net for PC", "KartixNet", "{6513270e-269e-4d37-b2a7-4de452e6b438}",
     "KORAMI\\KartixNet", "Kartix on net for PC.lnk", "Software\\Korami\\KartixNet\\PC",
     "Software\\Korami\\KartixNet\\KartixWiz", "Software\\Korami\\KartixNet\\PC", "AtlasData_P2"},
    {"LuminaGo PC", "LuminaGo PC", "KartixNet", "{D23F0824-128B-4F33-8C5C-7FD0A6A3A450}", "KORAMI\\KartixNet",
     "LuminaGo PC.lnk", "Software\\Korami\\KartixNet\\PC", "Software\\Korami\\KartixNet\\KartixWiz",
     "Software\\Korami\\KartixNet\\PC", "AtlasData_P2"},
    {"茶房ガイド", "茶房ガイド", "TeaAtlas", "{9531985D-5D9D-49F8-9818-E811892F902B}", "NORTHSTAGE\\TeaAtlas",
     "茶房ガイド.lnk", "Software\\Korami\\TeaAtlas", "", "Software\\Korami\\TeaAtlas", "TeaAtlasData_P2"},
    {"パン屋ガイド", "パン屋ガイド", "BakeryAtlas", "{36F675CC-81E7-4EF5-A8E2-5D940ED90475}",
     "NORTHSTAGE\\BakeryAtlas", "パン屋ガイド.lnk", "Software\\Korami\\BakeryAtlas", "",
     "Software\\Korami\\BakeryAtlas", "BakeryAtlasData_P2"},
    {"Kartix on net for AUTOHAUS", "Kartix on net for AUTOHAUS", "KartixNet",
     "{6B0D549B-6F03-475A-9600-A35A099950D8}", "KORAMI\\KartixNet", "Kartix on net for AUTOHAUS.lnk",
     "Software\\Korami\\KartixNet\\PC", "", "Software\\Korami\\KartixNet\\PC", "AtlasData_P2"},
    {"北欧旅行ガイド", "北欧旅行ガイド", "Nordic", "{8D116ECE-1738-47D9-BD9C-172411E20B8F}",
     "NORTHSTAGE\\Nordic", "北欧旅行ガイド.lnk", "Software\\Korami\\Nordic", "", "Software\\Korami\\Nordic",
     "NORDICAtlasData"},
    {"公園ガイド", "公園ガイド", "ParkAtlas", "{90C192CF-D3AC-44AF-8F21-DDB66CAD4A26}",
     "NORTHSTAGE\\ParkAtlas", "公園ガイド.lnk", "Software\\Korami\\ParkAtlas", "",
     "Software\\Korami\\ParkAtlas", "ParkAtlasData_P2"},
    {"キャンプ場ガイド", "キャンプ場ガイド", "C-Atlas", "{A170B338-3926-4059-B28C-105D1FB17C23}",
     "KORAMI\\C-Atlas", "キャンプ場ガイド.lnk", "Software\\Korami\\C-Atlas", "", "Software\\Korami\\C-Atlas",
     "C-AtlasData_P2"},
    {"ルミナGO(PC)", "ルミナGO PC", "KartixNet", "{DB5B5FAB-8F4D-4E27-9DA1-494C73CF256D}",
     "KORAMI\\KartixNet", "ルミナGO PC.lnk", "Software\\Korami\\KartixNet\\PC",
     "Software\\Korami\\KartixNet\\KartixWiz", "Software\\Korami\\KartixNet\\PC", "AtlasData_P2"},
};

} // namespace

TEST(ProductCatalogTest, FillBuildsTheNineRowsInOrder)
{
    CProductCatalog catalog;
    ASSERT_TRUE(catalog.Fill());
    ASSERT_EQ(catalog.GetCount(), 9);
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        const CProductEntry* entry = &catalog.GetEntry(i);
        const ExpectedRow& row = kExpected[i];
        EXPECT_EQ(entry->GetDisplayName(), CString(row.displayName));
        EXPECT_EQ(ProductEntryInspector::ProductName(*entry), CString(row.productName));
        EXPECT_EQ(ProductEntryInspector::ProductKey(*entry), CString(row.productKey));
        EXPECT_EQ(entry->GetUninstallGuid(), CString(row.guid));
        EXPECT_EQ(entry->GetUninstallGuid().GetLength(), 38);
        EXPECT_EQ(ProductEntryInspector::InstallFolder(*entry), CString(row.installFolder));
        EXPECT_EQ(entry->GetShortcutName(), CString(row.shortcut));
        EXPECT_EQ(entry->GetMachineKey(), CString(row.machineKey));
        EXPECT_EQ(entry->GetExtraMachineKey(), CString(row.extraKey));
        EXPECT_EQ(entry->GetUserKey(), CString(row.userKey));
        EXPECT_EQ(entry->GetDataFolder(), CString(row.dataFolder));
        // The shortcut is the product name with ".lnk"; the product key ends the install folder.
        EXPECT_EQ(entry->GetShortcutName(), ProductEntryInspector::ProductName(*entry) + ".lnk");
        const CString folder = ProductEntryInspector::InstallFolder(*entry);
        EXPECT_EQ(folder.Mid(folder.ReverseFind('\\') + 1), ProductEntryInspector::ProductKey(*entry));
    }
}

TEST(ProductCatalogTest, GettersReturnCopiesAndSettersReplace)
{
    CProductEntry entry;
    EXPECT_TRUE(entry.GetDisplayName().IsEmpty());
    entry.SetDisplayName("茶房ガイド");
    CString copy = entry.GetDisplayName();
    copy += "X";
    EXPECT_EQ(entry.GetDisplayName(), CString("茶房ガイド"));
    entry.SetDisplayName("公園ガイド");
    EXPECT_EQ(entry.GetDisplayName(), CString("公園ガイド"));
}

TEST(ProductCatalogTest, FillAgainStartsAfreshAndClearReleasesEveryRow)
{
    CProductCatalog catalog;
    catalog.Fill();
    catalog.GetEntry(0).SetDisplayName("renamed");
    catalog.Fill();
    ASSERT_EQ(catalog.GetCount(), 9);
    EXPECT_EQ(catalog.GetEntry(0).GetDisplayName(), CString(kExpected[0].displayName));
    catalog.Clear();
    EXPECT_EQ(catalog.GetCount(), 0);
}
