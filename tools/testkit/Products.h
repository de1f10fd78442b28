// The products of the series as the program's own catalog states them, in UTF-16, and the one way
// the tests and the demo install a product as its installer would: its uninstall entry, keys,
// Start-menu folder, desktop shortcut, installer information, map cache and application folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace products {

struct Row
{
    int number; // 1 to 9, the catalog's order
    std::wstring displayName;
    std::wstring productName;
    std::wstring guid;
    std::wstring installFolder; // below the x86 Program Files folder
    std::wstring shortcut;
    std::wstring machineKey;      // under HKEY_LOCAL_MACHINE, in kMachineView
    std::wstring extraMachineKey; // under HKEY_LOCAL_MACHINE, in kMachineView; empty for rows 3 to 8
    std::wstring userKey;         // under HKEY_CURRENT_USER
    std::wstring dataFolder;      // appended to CachePath
};

constexpr int kRowCount = 9;
// Rows 1 to 9; null for any other number.
const Row* Find(int row);
// Rows 1 to 9; throws std::out_of_range for any other number.
const Row& At(int row);

std::wstring UninstallKey(int row);
// The registry view in which the products' 32-bit installers wrote their keys under
// HKEY_LOCAL_MACHINE on 64-bit Windows; the program reads and deletes them there.
constexpr REGSAM kMachineView = KEY_WOW64_32KEY;
const wchar_t kSettingsKey[] = L"Software\\KORAMI\\KartixNet\\PC";
const wchar_t kEditionFolder[] = L"コラミ地図ライブラリ";

// Writes the row's uninstall entry with this display name (installed, as far as the list goes).
bool Install(int row, const std::wstring& displayName);
bool Install(int row);
bool SetVersion(int row, const std::wstring& version, const std::wstring& revision,
                const std::wstring& servicePack, const std::wstring& custom);

// Removes every product's keys (in both registry views), the settings key and the edition folders
// of both Start menus.
void RemoveAll();

class Clean
{
public:
    Clean() { RemoveAll(); }
    ~Clean() { RemoveAll(); }
    Clean(const Clean&) = delete;
    Clean& operator=(const Clean&) = delete;
};

// Where an installer lays a product's pieces down.
struct Places
{
    std::wstring programs;        // the Programs folder that holds the library's group
    std::wstring desktop;         // the desktop folder
    std::wstring setupInfo;       // the installer-information folder
    std::wstring cachePath;       // the CachePath value, ending with a backslash
    std::wstring appFolder;       // the InstallPath value
    std::wstring startMenuFolder; // below Programs\<library group>
};

// Where the product's own 32-bit installer puts them on this machine: the installer information
// and the application under the x86 Program Files folder.
Places InstallerPlaces(const Row& row);

// One piece of an installed product: what it is and where (root\path for a key).
struct Piece
{
    std::wstring what;
    std::wstring where;
    bool registry;
};

class Installer
{
public:
    Installer(int row, Places places);

    const Row& Catalog() const { return m_row; }
    Places& Where() { return m_places; }
    std::wstring StartMenuGroup() const { return m_places.programs + L"\\" + kEditionFolder; }
    std::wstring StartMenuFolder() const { return StartMenuGroup() + L"\\" + m_places.startMenuFolder; }
    std::wstring DesktopLink() const { return m_places.desktop + L"\\" + m_row.shortcut; }
    std::wstring SetupInfoFolder() const { return m_places.setupInfo + L"\\" + m_row.guid; }
    std::wstring CacheBase() const { return m_places.cachePath; }
    std::wstring CacheFolder() const { return CacheBase() + m_row.dataFolder; }
    std::wstring AppFolder() const { return m_places.appFolder; }

    // The uninstall entry, the version values and InstallPath in the machine key, "data" in the
    // extra machine key where the row has one, and CachePath in the user key.
    bool WriteKeys(const std::wstring& version, const std::wstring& revision, const std::wstring& servicePack,
                   const std::wstring& custom) const;
    // programs and desktop: another Programs or desktop folder than the places' own.
    bool AddStartMenu(const std::wstring& programs = std::wstring()) const;
    bool AddDesktopLink(const std::wstring& desktop = std::wstring()) const;
    bool AddSetupInfo() const;
    bool AddCacheFolder(int tiles = 2) const;
    // files files, every other one in a sub-folder "data"; the first is "file0.dat".
    bool AddAppFolder(int files = 12) const;
    bool AddAllPieces(int appFiles = 12) const;

    // Every piece, keys first, in the order the installer writes them.
    std::vector<Piece> Pieces() const;

private:
    Row m_row;
    Places m_places;
};

bool PieceExists(const Piece& piece);

} // namespace products
