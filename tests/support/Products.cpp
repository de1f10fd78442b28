#include "support/Products.h"

#include "support/Fixtures.h"

#include <shlobj.h>

#include <stdexcept>

namespace products {

namespace {

const Row kRows[9] = {
    {L"Kartix on net for PC", L"{6513270e-269e-4d37-b2a7-4de452e6b438}", L"Software\\Korami\\KartixNet\\PC",
     L"Software\\Korami\\KartixNet\\KartixWiz", L"Software\\Korami\\KartixNet\\PC",
     L"Kartix on net for PC.lnk", L"AtlasData_P2"},
    {L"LuminaGo PC", L"{D23F0824-128B-4F33-8C5C-7FD0A6A3A450}", L"Software\\Korami\\KartixNet\\PC",
     L"Software\\Korami\\KartixNet\\KartixWiz", L"Software\\Korami\\KartixNet\\PC", L"LuminaGo PC.lnk",
     L"AtlasData_P2"},
    {L"茶房ガイド", L"{9531985D-5D9D-49F8-9818-E811892F902B}", L"Software\\Korami\\TeaAtlas", L"",
     L"Software\\Korami\\TeaAtlas", L"茶房ガイド.lnk", L"TeaAtlasData_P2"},
    {L"パン屋ガイド", L"{36F675CC-81E7-4EF5-A8E2-5D940ED90475}", L"Software\\Korami\\BakeryAtlas", L"",
     L"Software\\Korami\\BakeryAtlas", L"パン屋ガイド.lnk", L"BakeryAtlasData_P2"},
    {L"Kartix on net for AUTOHAUS", L"{6B0D549B-6F03-475A-9600-A35A099950D8}",
     L"Software\\Korami\\KartixNet\\PC", L"", L"Software\\Korami\\KartixNet\\PC",
     L"Kartix on net for AUTOHAUS.lnk", L"AtlasData_P2"},
    {L"北欧旅行ガイド", L"{8D116ECE-1738-47D9-BD9C-172411E20B8F}", L"Software\\Korami\\Nordic", L"",
     L"Software\\Korami\\Nordic", L"北欧旅行ガイド.lnk", L"NORDICAtlasData"},
    {L"公園ガイド", L"{90C192CF-D3AC-44AF-8F21-DDB66CAD4A26}", L"Software\\Korami\\ParkAtlas", L"",
     L"Software\\Korami\\ParkAtlas", L"公園ガイド.lnk", L"ParkAtlasData_P2"},
    {L"キャンプ場ガイド", L"{A170B338-3926-4059-B28C-105D1FB17C23}", L"Software\\Korami\\C-Atlas", L"",
     L"Software\\Korami\\C-Atlas", L"キャンプ場ガイド.lnk", L"C-AtlasData_P2"},
    {L"ルミナGO(PC)", L"{DB5B5FAB-8F4D-4E27-9DA1-494C73CF256D}", L"Software\\Korami\\KartixNet\\PC",
     L"Software\\Korami\\KartixNet\\KartixWiz", L"Software\\Korami\\KartixNet\\PC", L"ルミナGO PC.lnk",
     L"AtlasData_P2"},
};

} // namespace

const Row& At(int row)
{
    if (row < 1 || row > 9)
        throw std::out_of_range("catalog rows are 1 to 9");
    return kRows[row - 1];
}

std::wstring UninstallKey(int row)
{
    return std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + At(row).guid;
}

void Install(int row, const std::wstring& displayName)
{
    fixture::SetString(HKEY_LOCAL_MACHINE, UninstallKey(row), L"DisplayName", displayName);
}

void Install(int row)
{
    Install(row, At(row).displayName);
}

void SetVersion(int row, const std::wstring& version, const std::wstring& revision,
                const std::wstring& servicePack, const std::wstring& custom)
{
    const std::wstring key = At(row).machineKey;
    fixture::SetString(HKEY_LOCAL_MACHINE, key, L"Version", version);
    fixture::SetString(HKEY_LOCAL_MACHINE, key, L"Revision", revision);
    fixture::SetString(HKEY_LOCAL_MACHINE, key, L"ServicePack", servicePack);
    fixture::SetString(HKEY_LOCAL_MACHINE, key, L"Custom", custom);
}

void RemoveAll()
{
    for (int row = 1; row <= 9; ++row)
        fixture::DeleteKey(HKEY_LOCAL_MACHINE, UninstallKey(row));
    fixture::DeleteKey(HKEY_LOCAL_MACHINE, L"Software\\Korami");
    fixture::DeleteKey(HKEY_CURRENT_USER, L"Software\\Korami");
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS})
        fixture::RemoveTree(fixture::ShellFolder(csidl) + L"\\" + kEditionFolder);
}

} // namespace products
