#include "support/InstalledProduct.h"

#include "testkit/Fixtures.h"

#include <shlobj.h>

namespace {

const wchar_t kSetupInfo[] = L"C:\\Program Files (x86)\\installshield installation information";
const wchar_t kTestRoot[] = L"C:\\users\\Public\\SeriesCleanTests";
const wchar_t kAppRoot[] = L"C:\\Program Files (x86)\\NORTHSTAGE";
const wchar_t kCanaryUninstallKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{00000000-0000-0000-0000-0000CA4A4121}";
const wchar_t kCanaryKey[] = L"Software\\Korami\\CanaryAtlas";

products::Places TestPlaces(int row)
{
    const products::Row& r = products::At(row);
    return {fixture::ShellFolder(CSIDL_COMMON_PROGRAMS),
            fixture::ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY),
            kSetupInfo,
            std::wstring(kTestRoot) + L"\\Cache\\",
            std::wstring(kAppRoot) + L"\\" + r.dataFolder.substr(0, r.dataFolder.find(L'_')),
            r.shortcut.substr(0, r.shortcut.size() - 4)};
}

} // namespace

InstalledProduct::InstalledProduct(int row)
    : products::Installer(row, TestPlaces(row)), m_programs(fixture::ShellFolder(CSIDL_COMMON_PROGRAMS))
{
    products::RemoveAll();
    WriteKeys(L"3", L"1", L"2", L"A");

    fixture::SetString(HKEY_LOCAL_MACHINE, kCanaryUninstallKey, L"DisplayName", L"Canary",
                       products::kMachineView);
    fixture::SetString(HKEY_LOCAL_MACHINE, kCanaryKey, L"Version", L"1", products::kMachineView);
    fixture::SetString(HKEY_CURRENT_USER, kCanaryKey, L"CachePath", L"C:\\canary\\");
    m_canaryFiles = {
        m_programs + L"\\CanaryApp\\Canary.lnk",
        StartMenuGroup() + L"\\Canary\\Canary.lnk",
        fixture::ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Canary.lnk",
        std::wstring(kSetupInfo) + L"\\{00000000-0000-0000-0000-0000CA4A4121}\\setup.ini",
        std::wstring(kTestRoot) + L"\\Cache\\CanaryData\\tile.dat",
        std::wstring(kAppRoot) + L"\\CanaryAtlas\\canary.exe",
    };
    for (const std::wstring& file : m_canaryFiles)
        fixture::MakeFile(file, "canary");
}

InstalledProduct::~InstalledProduct()
{
    for (const std::wstring& file : m_canaryFiles)
        fixture::RemoveTree(file);
    for (const std::wstring& path :
         {m_programs + L"\\CanaryApp", StartMenuGroup() + L"\\Canary",
          std::wstring(kSetupInfo) + L"\\{00000000-0000-0000-0000-0000CA4A4121}", std::wstring(kTestRoot),
          std::wstring(kAppRoot), DesktopLink(), SetupInfoFolder(), m_programs + L"\\" + Catalog().shortcut,
          fixture::ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"\\" + Catalog().shortcut})
        fixture::RemoveTree(path);
    fixture::DeleteKey(HKEY_LOCAL_MACHINE, kCanaryUninstallKey, products::kMachineView);
    products::RemoveAll();
}

InstalledProduct& InstalledProduct::WithAllPieces()
{
    AddAllPieces();
    return *this;
}

InstalledProduct& InstalledProduct::WithStartMenu(bool allUsers)
{
    AddStartMenu(allUsers ? std::wstring() : fixture::ShellFolder(CSIDL_PROGRAMS));
    return *this;
}

InstalledProduct& InstalledProduct::WithDesktopLink(bool allUsers)
{
    AddDesktopLink(allUsers ? std::wstring() : fixture::ShellFolder(CSIDL_DESKTOPDIRECTORY));
    return *this;
}

InstalledProduct& InstalledProduct::WithSetupInfo()
{
    AddSetupInfo();
    return *this;
}

InstalledProduct& InstalledProduct::WithCacheFolder()
{
    AddCacheFolder();
    return *this;
}

InstalledProduct& InstalledProduct::WithAppFolder(int files)
{
    AddAppFolder(files);
    return *this;
}

bool InstalledProduct::CanariesIntact() const
{
    for (const std::wstring& file : m_canaryFiles) {
        if (!fixture::Exists(file))
            return false;
    }
    return fixture::KeyExists(HKEY_LOCAL_MACHINE, kCanaryUninstallKey, products::kMachineView) &&
           fixture::KeyExists(HKEY_LOCAL_MACHINE, kCanaryKey, products::kMachineView) &&
           fixture::KeyExists(HKEY_CURRENT_USER, kCanaryKey);
}

bool InstalledProduct::MachineKeyExists() const
{
    return fixture::KeyExists(HKEY_LOCAL_MACHINE, Catalog().machineKey, products::kMachineView);
}

bool InstalledProduct::ExtraKeyExists() const
{
    return !Catalog().extraMachineKey.empty() &&
           fixture::KeyExists(HKEY_LOCAL_MACHINE, Catalog().extraMachineKey, products::kMachineView);
}

bool InstalledProduct::UninstallKeyExists() const
{
    return fixture::KeyExists(HKEY_LOCAL_MACHINE, products::UninstallKey(Catalog().number),
                              products::kMachineView);
}

bool InstalledProduct::UserKeyExists() const
{
    return fixture::KeyExists(HKEY_CURRENT_USER, Catalog().userKey);
}

bool InstalledProduct::AnyPieceOnDisk() const
{
    for (const products::Piece& piece : Pieces()) {
        if (!piece.registry && fixture::Exists(piece.where))
            return true;
    }
    return false;
}

void InstalledProduct::SetInstallPath(const std::wstring& path)
{
    fixture::SetString(HKEY_LOCAL_MACHINE, Catalog().machineKey, L"InstallPath", path,
                       products::kMachineView);
}

void InstalledProduct::SetCachePath(const std::wstring& path)
{
    fixture::SetString(HKEY_CURRENT_USER, Catalog().userKey, L"CachePath", path);
}
