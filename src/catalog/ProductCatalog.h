// The nine products the program can remove, with every name, key and folder it needs of them.
//
// Errors in the catalog layer: none are raised. A missing key or value, or a call that fails,
// gives the empty string (the thing counts as not there); a folder query that fails gives false.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <vector>

// The series' own settings, under HKEY_CURRENT_USER: shared by every product, kept until the last
// of them is gone.
constexpr char kSeriesSettingsKey[] = "Software\\KORAMI\\KartixNet\\PC";

// The products are 32-bit programs: on 64-bit Windows their installers wrote every key under
// HKEY_LOCAL_MACHINE into the 32-bit registry view, where both builds read and delete them. What the
// 64-bit view holds under the same names belongs to nothing of the series. 32-bit Windows ignores
// the flag. HKEY_CURRENT_USER's keys are the same in both views.
constexpr REGSAM kProductMachineView = KEY_WOW64_32KEY;

// One product. Getters return copies; setters replace a whole field.
class CProductEntry
{
public:
    void SetDisplayName(CString value) { m_strDisplayName = value; }
    void SetUninstallGuid(CString value) { m_strUninstallGuid = value; }
    void SetInstallFolder(CString value) { m_strInstallFolder = value; }
    void SetShortcutName(CString value) { m_strShortcutName = value; }
    void SetMachineKey(CString value) { m_strMachineKey = value; }
    void SetExtraMachineKey(CString value) { m_strExtraMachineKey = value; }
    void SetUserKey(CString value) { m_strUserKey = value; }
    void SetDataFolder(CString value) { m_strDataFolder = value; }
    void SetProductKey(CString value) { m_strProductKey = value; }
    void SetProductName(CString value) { m_strProductName = value; }

    // The name shown in messages, and the exact caption of the product's main window.
    CString GetDisplayName() const { return m_strDisplayName; }
    // The product's key name under ...\CurrentVersion\Uninstall, and its folder name under the
    // installation-information folder.
    CString GetUninstallGuid() const { return m_strUninstallGuid; }
    CString GetShortcutName() const { return m_strShortcutName; }
    // Under HKEY_LOCAL_MACHINE; holds the version values and "InstallPath".
    CString GetMachineKey() const { return m_strMachineKey; }
    // Under HKEY_LOCAL_MACHINE, or empty; its value "data" triggers the edition check.
    CString GetExtraMachineKey() const { return m_strExtraMachineKey; }
    // Under HKEY_CURRENT_USER; holds "CachePath".
    CString GetUserKey() const { return m_strUserKey; }
    // Appended directly to "CachePath" to name the map cache folder.
    CString GetDataFolder() const { return m_strDataFolder; }

private:
    friend struct ProductEntryInspector; // lets tests read the fields that have no getter

    CString m_strDisplayName;
    CString m_strUninstallGuid;
    CString m_strInstallFolder;
    CString m_strShortcutName;
    CString m_strMachineKey;
    CString m_strExtraMachineKey;
    CString m_strUserKey;
    CString m_strDataFolder;
    CString m_strProductKey;
    CString m_strProductName;
};

// The rows, held by value. A row's address stays valid until the next Fill or Clear: the list's
// items and the delete handler point at rows.
class CProductCatalog
{
public:
    // Builds the nine rows, in catalog order, at indexes 0 to 8. Always TRUE.
    BOOL Fill();
    // Releases every row.
    void Clear() { m_entries.clear(); }

    int GetCount() const { return static_cast<int>(m_entries.size()); }
    CProductEntry& GetEntry(int index) { return m_entries[static_cast<size_t>(index)]; }
    const CProductEntry& GetEntry(int index) const { return m_entries[static_cast<size_t>(index)]; }

private:
    std::vector<CProductEntry> m_entries;
};
