#include "support/InstalledProduct.h"

#include "support/Fixtures.h"

#include <shlobj.h>

namespace {

const wchar_t kSetupInfo[] = L"C:\\Program Files\\installshield installation information";
const wchar_t kCanaryGuid[] = L"{00000000-0000-0000-0000-0000CA4A4121}";
const wchar_t kMachineCanary[] = L"Software\\Korami\\CanaryAtlas";
const wchar_t kUserCanary[] = L"Software\\Korami\\CanaryAtlas";

std::wstring AppFolderOf(const std::wstring& dataFolder)
{
    return L"C:\\Program Files\\NORTHSTAGE\\" + dataFolder.substr(0, dataFolder.find(L'_'));
}

} // namespace

InstalledProduct::InstalledProduct(int row)
    : m_row(row), m_programs(fixture::ShellFolder(CSIDL_COMMON_PROGRAMS)),
      m_desktop(fixture::ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY)),
      m_productFolder(std::wstring(Catalog().shortcut).substr(0, wcslen(Catalog().shortcut) - 4)),
      m_cacheBase(L"C:\\users\\Public\\SeriesCleanTests\\Cache\\"),
      m_appFolder(AppFolderOf(Catalog().dataFolder))
{
    products::RemoveAll();
    const products::Row& r = Catalog();
    products::Install(row);
    products::SetVersion(row, L"3", L"1", L"2", L"A");
    fixture::SetString(HKEY_LOCAL_MACHINE, r.machineKey, L"InstallPath", m_appFolder);
    fixture::SetString(HKEY_CURRENT_USER, r.userKey, L"CachePath", m_cacheBase);
    if (*r.extraMachineKey)
        fixture::SetString(HKEY_LOCAL_MACHINE, r.extraMachineKey, L"data", L"1");

    // Canaries beside every piece and every key.
    fixture::SetString(HKEY_LOCAL_MACHINE,
                       std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
                           kCanaryGuid,
                       L"DisplayName", L"Canary");
    fixture::SetString(HKEY_LOCAL_MACHINE, kMachineCanary, L"Version", L"1");
    fixture::SetString(HKEY_CURRENT_USER, kUserCanary, L"CachePath", L"C:\\canary\\");
    m_canaryFiles = {
        m_programs + L"\\CanaryApp\\Canary.lnk",
        StartMenuGroup() + L"Canary\\Canary.lnk",
        m_desktop + L"\\Canary.lnk",
        std::wstring(kSetupInfo) + L"\\" + kCanaryGuid + L"\\setup.ini",
        m_cacheBase + L"CanaryData\\tile.dat",
        L"C:\\Program Files\\NORTHSTAGE\\CanaryAtlas\\canary.exe",
    };
    for (const std::wstring& file : m_canaryFiles)
        fixture::MakeFile(file, "canary");
    m_cleanup = {m_programs + L"\\CanaryApp",
                 StartMenuGroup(),
                 StartMenuGroup() + L"Canary",
                 m_desktop + L"\\Canary.lnk",
                 std::wstring(kSetupInfo) + L"\\" + kCanaryGuid,
                 L"C:\\users\\Public\\SeriesCleanTests",
                 L"C:\\Program Files\\NORTHSTAGE"};
}

InstalledProduct::~InstalledProduct()
{
    for (const std::wstring& path : m_cleanup)
        fixture::RemoveTree(path);
    fixture::RemoveTree(DesktopLink());
    fixture::RemoveTree(SetupInfoFolder());
    fixture::RemoveTree(m_programs + L"\\" + Catalog().shortcut);
    fixture::RemoveTree(fixture::ShellFolder(CSIDL_PROGRAMS) + L"\\" + m_group);
    fixture::RemoveTree(fixture::ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"\\" + Catalog().shortcut);
    fixture::DeleteKey(HKEY_LOCAL_MACHINE,
                       std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
                           kCanaryGuid);
    products::RemoveAll();
}

InstalledProduct& InstalledProduct::WithAllPieces()
{
    return WithStartMenu().WithDesktopLink().WithSetupInfo().WithCacheFolder().WithAppFolder();
}

InstalledProduct& InstalledProduct::WithStartMenu(bool allUsers)
{
    const std::wstring programs = allUsers ? m_programs : fixture::ShellFolder(CSIDL_PROGRAMS);
    const std::wstring folder = programs + L"\\" + m_group + L"\\" + m_productFolder;
    fixture::MakeFile(folder + L"\\" + Catalog().shortcut, "shortcut");
    fixture::MakeFile(folder + L"\\Readme.txt", "readme");
    return *this;
}

InstalledProduct& InstalledProduct::WithDesktopLink(bool allUsers)
{
    const std::wstring desktop = allUsers ? m_desktop : fixture::ShellFolder(CSIDL_DESKTOPDIRECTORY);
    fixture::MakeFile(desktop + L"\\" + Catalog().shortcut, "shortcut");
    return *this;
}

std::wstring InstalledProduct::SetupInfoFolder() const
{
    return std::wstring(kSetupInfo) + L"\\" + Catalog().guid;
}

InstalledProduct& InstalledProduct::WithSetupInfo()
{
    fixture::MakeFile(SetupInfoFolder() + L"\\setup.ilg", "log");
    fixture::MakeFile(SetupInfoFolder() + L"\\setup.ini", "ini");
    return *this;
}

InstalledProduct& InstalledProduct::WithCacheFolder()
{
    fixture::MakeFile(CacheFolder() + L"\\tiles\\0001.dat", "tile");
    fixture::MakeFile(CacheFolder() + L"\\index.dat", "index");
    return *this;
}

InstalledProduct& InstalledProduct::WithAppFolder(int files)
{
    for (int i = 0; i < files; ++i) {
        const std::wstring sub = i % 2 ? L"\\data\\" : L"\\";
        fixture::MakeFile(m_appFolder + sub + L"file" + std::to_wstring(i) + L".dat", "app");
    }
    return *this;
}

bool InstalledProduct::CanariesIntact() const
{
    for (const std::wstring& file : m_canaryFiles) {
        if (!fixture::Exists(file))
            return false;
    }
    return fixture::KeyExists(HKEY_LOCAL_MACHINE,
                              std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
                                  kCanaryGuid) &&
           fixture::KeyExists(HKEY_LOCAL_MACHINE, kMachineCanary) &&
           fixture::KeyExists(HKEY_CURRENT_USER, kUserCanary) && fixture::Exists(m_programs) &&
           fixture::Exists(m_desktop) && fixture::Exists(kSetupInfo);
}

bool InstalledProduct::MachineKeyExists() const
{
    return fixture::KeyExists(HKEY_LOCAL_MACHINE, Catalog().machineKey);
}

bool InstalledProduct::ExtraKeyExists() const
{
    return *Catalog().extraMachineKey && fixture::KeyExists(HKEY_LOCAL_MACHINE, Catalog().extraMachineKey);
}

bool InstalledProduct::UninstallKeyExists() const
{
    return fixture::KeyExists(HKEY_LOCAL_MACHINE, products::UninstallKey(m_row));
}

bool InstalledProduct::UserKeyExists() const
{
    return fixture::KeyExists(HKEY_CURRENT_USER, Catalog().userKey);
}

bool InstalledProduct::AnyPieceOnDisk() const
{
    return fixture::Exists(StartMenuFolder()) || fixture::Exists(DesktopLink()) ||
           fixture::Exists(SetupInfoFolder()) || fixture::Exists(CacheFolder()) ||
           fixture::Exists(AppFolder());
}

void InstalledProduct::SetInstallPath(const std::wstring& path)
{
    fixture::SetString(HKEY_LOCAL_MACHINE, Catalog().machineKey, L"InstallPath", path);
}

void InstalledProduct::SetCachePath(const std::wstring& path)
{
    fixture::SetString(HKEY_CURRENT_USER, Catalog().userKey, L"CachePath", path);
}
