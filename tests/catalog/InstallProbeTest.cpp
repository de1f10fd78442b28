#include "catalog/InstallProbe.h"
#include "support/Fixtures.h"
#include "support/PlatformSeam.h"
#include "testkit/Products.h"

#include <gtest/gtest.h>
#include <shlobj.h>

namespace {

const CString kTeaGuid = "{9531985D-5D9D-49F8-9818-E811892F902B}";
const wchar_t kExtraKey[] = L"Software\\Korami\\KartixNet\\KartixWiz";

class InstallProbeTest : public testing::Test
{
protected:
    products::Clean m_clean;
    CInstallProbe m_probe;
};

} // namespace

TEST_F(InstallProbeTest, DisplayNameNeedsTheValueInTheUninstallKey)
{
    EXPECT_EQ(m_probe.GetUninstallDisplayName(kTeaGuid), CString(""));
    fixture::CreateKey(HKEY_LOCAL_MACHINE, products::UninstallKey(3), products::kMachineView);
    EXPECT_EQ(m_probe.GetUninstallDisplayName(kTeaGuid), CString("")) << "a key without DisplayName";
    products::Install(3, L"茶房ガイド");
    EXPECT_EQ(m_probe.GetUninstallDisplayName(kTeaGuid), CString("茶房ガイド"));
}

TEST_F(InstallProbeTest, ValuesMustFitTheirBufferWhole)
{
    // 126 bytes of text and its terminating zero fill the 127 bytes exactly.
    products::Install(3, std::wstring(126, L'A'));
    EXPECT_EQ(m_probe.GetUninstallDisplayName(kTeaGuid).GetLength(), 126);
    products::Install(3, std::wstring(127, L'A'));
    EXPECT_EQ(m_probe.GetUninstallDisplayName(kTeaGuid), CString(""));
    // The capacity counts code page 932 bytes: 63 double-byte characters fit, 64 do not.
    products::Install(3, std::wstring(63, L'地'));
    EXPECT_EQ(m_probe.GetUninstallDisplayName(kTeaGuid).GetLength(), 126);
    products::Install(3, std::wstring(64, L'地'));
    EXPECT_EQ(m_probe.GetUninstallDisplayName(kTeaGuid), CString(""));

    // A cut-off path would name a parent of the real folder: an over-long one counts as absent.
    const std::wstring longPath = L"C:\\Program Files\\" + std::wstring(120, L'x');
    fixture::SetString(HKEY_LOCAL_MACHINE, L"Software\\Korami\\TeaAtlas", L"InstallPath", longPath,
                       products::kMachineView);
    EXPECT_EQ(CInstallProbe::GetProductValue("Software\\Korami\\TeaAtlas", PV_INSTALL_PATH), CString(""));
}

TEST_F(InstallProbeTest, TextsThatCodePage932CannotHoldCountAsAbsent)
{
    fixture::SetString(HKEY_LOCAL_MACHINE, L"Software\\Korami\\TeaAtlas", L"InstallPath", L"C:\\Caf\u00e9",
                       products::kMachineView);
    EXPECT_EQ(CInstallProbe::GetProductValue("Software\\Korami\\TeaAtlas", PV_INSTALL_PATH), CString(""));
}

TEST_F(InstallProbeTest, ProductValuesByIdUnderTheMachineKey)
{
    const std::wstring key = L"Software\\Korami\\KartixNet\\PC";
    fixture::SetString(HKEY_LOCAL_MACHINE, key, L"Version", L"3", products::kMachineView);
    fixture::SetString(HKEY_LOCAL_MACHINE, key, L"Revision", L"1", products::kMachineView);
    fixture::SetString(HKEY_LOCAL_MACHINE, key, L"ServicePack", L"2", products::kMachineView);
    fixture::SetString(HKEY_LOCAL_MACHINE, key, L"Custom", L"A", products::kMachineView);
    fixture::SetString(HKEY_LOCAL_MACHINE, key, L"InstallPath", L"C:\\Program Files\\KORAMI\\KartixNet",
                       products::kMachineView);
    fixture::SetString(HKEY_LOCAL_MACHINE, key, L"KartixNetApp", L"app", products::kMachineView);
    const CString k = fixture::ToCp932(key);
    EXPECT_EQ(CInstallProbe::GetProductValue(k, PV_VERSION), CString("3"));
    EXPECT_EQ(CInstallProbe::GetProductValue(k, PV_REVISION), CString("1"));
    EXPECT_EQ(CInstallProbe::GetProductValue(k, PV_SERVICE_PACK), CString("2"));
    EXPECT_EQ(CInstallProbe::GetProductValue(k, PV_CUSTOM), CString("A"));
    EXPECT_EQ(CInstallProbe::GetProductValue(k, PV_INSTALL_PATH),
              CString("C:\\Program Files\\KORAMI\\KartixNet"));
    EXPECT_EQ(CInstallProbe::GetProductValue(k, PV_APP), CString("app"));
    EXPECT_EQ(CInstallProbe::GetProductValue(k, 6), CString(""));
    EXPECT_EQ(CInstallProbe::GetProductValue(k, -1), CString(""));
    EXPECT_EQ(CInstallProbe::GetProductValue(k, PV_CACHE_PATH), CString(""));
    EXPECT_EQ(CInstallProbe::GetProductValue("Software\\Korami\\Missing", PV_VERSION), CString(""));
}

TEST_F(InstallProbeTest, CachePathIsReadUnderTheCurrentUserOnly)
{
    const std::wstring key = L"Software\\Korami\\TeaAtlas";
    fixture::SetString(HKEY_LOCAL_MACHINE, key, L"CachePath", L"C:\\machine\\", products::kMachineView);
    EXPECT_EQ(CInstallProbe::GetUserProductValue("Software\\Korami\\TeaAtlas", PV_CACHE_PATH), CString(""));
    fixture::SetString(HKEY_CURRENT_USER, key, L"CachePath", L"C:\\cache\\");
    EXPECT_EQ(CInstallProbe::GetUserProductValue("Software\\Korami\\TeaAtlas", PV_CACHE_PATH),
              CString("C:\\cache\\"));
    EXPECT_EQ(CInstallProbe::GetUserProductValue("Software\\Korami\\TeaAtlas", PV_INSTALL_PATH), CString(""));
}

TEST_F(InstallProbeTest, ProgramFilesDirFromTheRegistry)
{
    // The 32-bit view's value, as 64-bit Windows gives it to the products' 32-bit installers; the
    // 64-bit view holds "C:\Program Files".
    EXPECT_EQ(CInstallProbe::GetProgramFilesDir(), CString("C:\\Program Files (x86)"));
}

TEST_F(InstallProbeTest, OnlyThe32BitRegistryViewHoldsTheProducts)
{
    // The same names in the 64-bit view belong to nothing of the series.
    const std::wstring machineKey = products::At(3).machineKey;
    fixture::SetString(HKEY_LOCAL_MACHINE, products::UninstallKey(3), L"DisplayName", L"茶房ガイド",
                       KEY_WOW64_64KEY);
    fixture::SetString(HKEY_LOCAL_MACHINE, machineKey, L"Version", L"9", KEY_WOW64_64KEY);
    fixture::SetString(HKEY_LOCAL_MACHINE, kExtraKey, L"data", L"1", KEY_WOW64_64KEY);
    EXPECT_EQ(m_probe.GetUninstallDisplayName(kTeaGuid), CString(""));
    EXPECT_EQ(CInstallProbe::GetProductValue(fixture::ToCp932(machineKey), PV_VERSION), CString(""));
    EXPECT_EQ(CInstallProbe::GetInstalledEditionName(fixture::ToCp932(kExtraKey)), CString(""));

    products::Install(3);
    products::SetVersion(3, L"3", L"1", L"2", L"A");
    EXPECT_EQ(m_probe.GetUninstallDisplayName(kTeaGuid), CString("茶房ガイド"));
    EXPECT_EQ(CInstallProbe::GetProductValue(fixture::ToCp932(machineKey), PV_VERSION), CString("3"));
}

TEST_F(InstallProbeTest, EditionNeedsTheDataValue)
{
    ScopedPlatform nt(1, 1);
    EXPECT_EQ(CInstallProbe::GetInstalledEditionName(fixture::ToCp932(kExtraKey)), CString(""));
    fixture::SetString(HKEY_LOCAL_MACHINE, kExtraKey, L"other", L"1", products::kMachineView);
    EXPECT_EQ(CInstallProbe::GetInstalledEditionName(fixture::ToCp932(kExtraKey)), CString(""));
    fixture::SetString(HKEY_LOCAL_MACHINE, kExtraKey, L"data", std::wstring(200, L'x'),
                       products::kMachineView);
    EXPECT_EQ(CInstallProbe::GetInstalledEditionName(fixture::ToCp932(kExtraKey)), CString(""));
    // Any type counts, and with no edition folder the name is the collection's.
    fixture::SetDword(HKEY_LOCAL_MACHINE, kExtraKey, L"data", 1, products::kMachineView);
    EXPECT_EQ(CInstallProbe::GetInstalledEditionName(fixture::ToCp932(kExtraKey)),
              CString("マップコレクション"));
}

TEST_F(InstallProbeTest, EditionFoldersAreTestedInOrder)
{
    ScopedPlatform nt(1, 1);
    fixture::SetString(HKEY_LOCAL_MACHINE, kExtraKey, L"data", L"1", products::kMachineView);
    const std::wstring library =
        fixture::ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + products::kEditionFolder;
    const CString key = fixture::ToCp932(kExtraKey);

    fixture::MakeFolder(library + L"\\ルミナGO");
    EXPECT_EQ(CInstallProbe::GetInstalledEditionName(key), CString("ルミナGO PC"));
    // A file named like a candidate counts as well.
    fixture::MakeFile(library + L"\\LuminaGo");
    EXPECT_EQ(CInstallProbe::GetInstalledEditionName(key), CString("LuminaGo PC"));
    fixture::MakeFolder(library + L"\\Kartix on net");
    EXPECT_EQ(CInstallProbe::GetInstalledEditionName(key), CString("Kartix on net for PC"));
}

TEST_F(InstallProbeTest, EditionIsLookedForInTheStartMenuOfThePlatform)
{
    fixture::SetString(HKEY_LOCAL_MACHINE, kExtraKey, L"data", L"1", products::kMachineView);
    fixture::MakeFolder(fixture::ShellFolder(CSIDL_PROGRAMS) + L"\\" + products::kEditionFolder +
                        L"\\LuminaGo");
    const CString key = fixture::ToCp932(kExtraKey);
    {
        ScopedPlatform nt(1, 1);
        EXPECT_EQ(CInstallProbe::GetInstalledEditionName(key), CString("マップコレクション"))
            << "on NT only the all-users Programs folder counts";
    }
    {
        ScopedPlatform windows9x(0, 0);
        EXPECT_EQ(CInstallProbe::GetInstalledEditionName(key), CString("LuminaGo PC"));
    }
}
