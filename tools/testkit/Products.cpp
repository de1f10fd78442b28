#include "Products.h"

#include "Fixtures.h"
#include "ProductEntryFields.h"

#include <shlobj.h>

#include <stdexcept>

namespace products {

namespace {

const wchar_t kUninstallRoot[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring FromCp932(const CString& text)
{
    return fixture::FromCodePage932(std::string(text.GetString(), static_cast<size_t>(text.GetLength())));
}

std::vector<Row> ReadCatalog()
{
    CProductCatalog catalog;
    catalog.Fill();
    std::vector<Row> rows;
    for (int i = 0; i < catalog.GetCount(); ++i) {
        const CProductEntry& e = catalog.GetEntry(i);
        rows.push_back({static_cast<int>(i + 1), FromCp932(e.GetDisplayName()),
                        FromCp932(ProductEntryInspector::ProductName(e)), FromCp932(e.GetUninstallGuid()),
                        FromCp932(ProductEntryInspector::InstallFolder(e)), FromCp932(e.GetShortcutName()),
                        FromCp932(e.GetMachineKey()), FromCp932(e.GetExtraMachineKey()),
                        FromCp932(e.GetUserKey()), FromCp932(e.GetDataFolder())});
    }
    return rows;
}

std::wstring WithoutExtension(const std::wstring& name)
{
    return name.substr(0, name.rfind(L'.'));
}

} // namespace

const Row* Find(int row)
{
    static const std::vector<Row> rows = ReadCatalog();
    return row >= 1 && row <= static_cast<int>(rows.size()) ? &rows[static_cast<size_t>(row - 1)] : nullptr;
}

const Row& At(int row)
{
    const Row* found = Find(row);
    if (!found)
        throw std::out_of_range("catalog rows are 1 to 9");
    return *found;
}

std::wstring UninstallKey(int row)
{
    return kUninstallRoot + At(row).guid;
}

bool Install(int row, const std::wstring& displayName)
{
    return fixture::SetString(HKEY_LOCAL_MACHINE, UninstallKey(row), L"DisplayName", displayName,
                              kMachineView);
}

bool Install(int row)
{
    return Install(row, At(row).displayName);
}

bool SetVersion(int row, const std::wstring& version, const std::wstring& revision,
                const std::wstring& servicePack, const std::wstring& custom)
{
    const std::wstring& key = At(row).machineKey;
    return fixture::SetString(HKEY_LOCAL_MACHINE, key, L"Version", version, kMachineView) &&
           fixture::SetString(HKEY_LOCAL_MACHINE, key, L"Revision", revision, kMachineView) &&
           fixture::SetString(HKEY_LOCAL_MACHINE, key, L"ServicePack", servicePack, kMachineView) &&
           fixture::SetString(HKEY_LOCAL_MACHINE, key, L"Custom", custom, kMachineView);
}

void RemoveAll()
{
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        for (int row = 1; row <= kRowCount; ++row)
            fixture::DeleteKey(HKEY_LOCAL_MACHINE, UninstallKey(row), view);
        fixture::DeleteKey(HKEY_LOCAL_MACHINE, L"Software\\Korami", view);
    }
    fixture::DeleteKey(HKEY_CURRENT_USER, L"Software\\Korami");
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS})
        fixture::RemoveTree(fixture::ShellFolder(csidl) + L"\\" + kEditionFolder);
}

Places InstallerPlaces(const Row& row)
{
    const std::wstring programFiles = fixture::ShellFolder(CSIDL_PROGRAM_FILESX86);
    return {fixture::ShellFolder(CSIDL_COMMON_PROGRAMS),
            fixture::ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY),
            programFiles + L"\\InstallShield Installation Information",
            fixture::ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\KORAMI\\",
            programFiles + L"\\" + row.installFolder,
            WithoutExtension(row.shortcut)};
}

Installer::Installer(int row, Places places) : m_row(At(row)), m_places(std::move(places)) {}

bool Installer::WriteKeys(const std::wstring& version, const std::wstring& revision,
                          const std::wstring& servicePack, const std::wstring& custom) const
{
    return Install(m_row.number) &&
           fixture::SetString(HKEY_LOCAL_MACHINE, UninstallKey(m_row.number), L"Publisher", L"KORAMI",
                              kMachineView) &&
           SetVersion(m_row.number, version, revision, servicePack, custom) &&
           fixture::SetString(HKEY_LOCAL_MACHINE, m_row.machineKey, L"InstallPath", m_places.appFolder,
                              kMachineView) &&
           (m_row.extraMachineKey.empty() ||
            fixture::SetString(HKEY_LOCAL_MACHINE, m_row.extraMachineKey, L"data", L"1", kMachineView)) &&
           fixture::SetString(HKEY_CURRENT_USER, m_row.userKey, L"CachePath", m_places.cachePath);
}

bool Installer::AddStartMenu(const std::wstring& programs) const
{
    const std::wstring folder = programs.empty()
                                    ? StartMenuFolder()
                                    : programs + L"\\" + kEditionFolder + L"\\" + m_places.startMenuFolder;
    return fixture::MakeFile(folder + L"\\" + m_row.shortcut, "shortcut") &&
           fixture::MakeFile(folder + L"\\" + WithoutExtension(m_row.shortcut) + L" マニュアル.lnk",
                             "manual");
}

bool Installer::AddDesktopLink(const std::wstring& desktop) const
{
    return fixture::MakeFile((desktop.empty() ? m_places.desktop : desktop) + L"\\" + m_row.shortcut,
                             "shortcut");
}

bool Installer::AddSetupInfo() const
{
    return fixture::MakeFile(SetupInfoFolder() + L"\\setup.ini", "ini") &&
           fixture::MakeFile(SetupInfoFolder() + L"\\setup.ilg", "log");
}

bool Installer::AddCacheFolder(int tiles) const
{
    bool made = fixture::MakeFile(CacheFolder() + L"\\index.dat", "index");
    for (int i = 0; i < tiles && made; ++i)
        made = fixture::MakeFile(CacheFolder() + L"\\tiles\\" + std::to_wstring(i) + L".dat", "tile");
    return made;
}

bool Installer::AddAppFolder(int files) const
{
    bool made = true;
    for (int i = 0; i < files && made; ++i) {
        const std::wstring sub = i % 2 ? L"\\data\\" : L"\\";
        made = fixture::MakeFile(AppFolder() + sub + L"file" + std::to_wstring(i) + L".dat", "app");
    }
    return made;
}

bool Installer::AddAllPieces(int appFiles) const
{
    return AddStartMenu() && AddDesktopLink() && AddSetupInfo() && AddCacheFolder() && AddAppFolder(appFiles);
}

std::vector<Piece> Installer::Pieces() const
{
    std::vector<Piece> pieces = {
        {L"uninstall entry", L"HKLM\\" + UninstallKey(m_row.number), true},
        {L"machine key", L"HKLM\\" + m_row.machineKey, true},
    };
    if (!m_row.extraMachineKey.empty())
        pieces.push_back({L"edition key", L"HKLM\\" + m_row.extraMachineKey, true});
    pieces.push_back({L"user key", L"HKCU\\" + m_row.userKey, true});
    pieces.push_back({L"Start-menu folder", StartMenuFolder(), false});
    pieces.push_back({L"desktop shortcut", DesktopLink(), false});
    pieces.push_back({L"installer information", SetupInfoFolder(), false});
    pieces.push_back({L"map cache folder", CacheFolder(), false});
    pieces.push_back({L"application folder", AppFolder(), false});
    return pieces;
}

bool PieceExists(const Piece& piece)
{
    if (!piece.registry)
        return fixture::Exists(piece.where);
    if (piece.where.compare(0, 4, L"HKCU") == 0)
        return fixture::KeyExists(HKEY_CURRENT_USER, piece.where.substr(5));
    return fixture::KeyExists(HKEY_LOCAL_MACHINE, piece.where.substr(5), kMachineView);
}

} // namespace products
