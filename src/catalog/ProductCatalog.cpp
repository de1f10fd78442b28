#include "catalog/ProductCatalog.h"

namespace {

struct ProductRow
{
    const char* displayName;
    const char* productName;
    const char* productKey;
    const char* uninstallGuid;
    const char* installFolder;
    const char* shortcutName;
    const char* machineKey;
    const char* extraMachineKey;
    const char* userKey;
    const char* dataFolder;
};

// Rows 1, 2, 5 and 9 are editions of one application: they share its folder, its keys and its
// data folder, so removing one of them removes what the others point at too.
const ProductRow kProducts[] = {
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

BOOL CProductCatalog::Fill()
{
    m_entries.clear();
    m_entries.reserve(sizeof(kProducts) / sizeof(kProducts[0]));
    for (const ProductRow& row : kProducts) {
        CProductEntry& entry = m_entries.emplace_back();
        entry.SetDisplayName(row.displayName);
        entry.SetUninstallGuid(row.uninstallGuid);
        entry.SetInstallFolder(row.installFolder);
        entry.SetShortcutName(row.shortcutName);
        entry.SetMachineKey(row.machineKey);
        entry.SetExtraMachineKey(row.extraMachineKey);
        entry.SetUserKey(row.userKey);
        entry.SetDataFolder(row.dataFolder);
        entry.SetProductKey(row.productKey);
        entry.SetProductName(row.productName);
    }
    return TRUE;
}
