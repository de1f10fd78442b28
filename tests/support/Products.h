// The catalog's products as the tests install them: uninstall entries, keys, version values, and
// the Start-menu folders of the edition check. Every test that touches them starts and ends with
// none installed.
#pragma once

#include <windows.h>

#include <string>

namespace products {

struct Row
{
    const wchar_t* displayName;
    const wchar_t* guid;
    const wchar_t* machineKey;
    const wchar_t* extraMachineKey; // empty for rows 3 to 8
    const wchar_t* userKey;
    const wchar_t* shortcut;
    const wchar_t* dataFolder;
};

// Rows 1 to 9 of the catalog.
const Row& At(int row);

std::wstring UninstallKey(int row);
const wchar_t kSettingsKey[] = L"Software\\KORAMI\\KartixNet\\PC";
const wchar_t kEditionFolder[] = L"コラミ地図ライブラリ";

// Writes the row's uninstall entry with this display name (installed, as far as the list goes).
void Install(int row, const std::wstring& displayName);
void Install(int row);
void SetVersion(int row, const std::wstring& version, const std::wstring& revision,
                const std::wstring& servicePack, const std::wstring& custom);

// Removes every product's keys, the settings key and the edition folders of both Start menus.
void RemoveAll();

class Clean
{
public:
    Clean() { RemoveAll(); }
    ~Clean() { RemoveAll(); }
    Clean(const Clean&) = delete;
    Clean& operator=(const Clean&) = delete;
};

} // namespace products
