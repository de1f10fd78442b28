// The nine products of the series as their own installers lay them down on a PC: the uninstall
// entry, the product's machine and user keys, its Start-menu folder, desktop shortcut,
// installer-information folder, map cache folder and application folder. The demo installs some
// of them into a Wine prefix so that a removal has real things to remove.
#pragma once

#include <string>
#include <vector>

namespace demo {

struct ProductRow
{
    int number; // 1 to 9, the order of the program's catalog
    const wchar_t* displayName;
    const wchar_t* guid;
    const wchar_t* machineKey;      // under HKEY_LOCAL_MACHINE
    const wchar_t* extraMachineKey; // under HKEY_LOCAL_MACHINE, or empty
    const wchar_t* userKey;         // under HKEY_CURRENT_USER
    const wchar_t* shortcutName;
    const wchar_t* dataFolder;      // appended to CachePath
    const wchar_t* appFolder;       // below Program Files
    const wchar_t* startMenuFolder; // below Programs\コラミ地図ライブラリ
    const wchar_t* version;         // Version, Revision, ServicePack, Custom
    const wchar_t* revision;
    const wchar_t* servicePack;
    const wchar_t* custom;
};

// Row 1 to 9; null for any other number.
const ProductRow* FindRow(int number);

// One piece of an installed product: what it is and where.
struct Piece
{
    std::wstring what;
    std::wstring where;
    bool registry; // a key (root\path) rather than a file or folder
};

// Every piece the installer lays down for the row, in the order the installer writes them.
std::vector<Piece> PiecesOf(const ProductRow& row);

// Installs the row with all its pieces; false with a message on the first failure.
bool Install(const ProductRow& row, std::wstring& error);

// Whether a piece is there now.
bool PieceExists(const Piece& piece);

// Number of files below a folder (0 for a file or a missing path).
int CountFiles(const std::wstring& folder);

} // namespace demo
