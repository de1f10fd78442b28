// Removal of registry keys with their whole subtree.
#pragma once

#include "framework/String.h"

#include <windows.h>

// Deletes root\strKeyPath with all its sub-keys and values, in the registry view given
// (kProductMachineView for the products' machine keys). 1 when the key is gone afterwards or was not
// there (also when it cannot be opened with full access); 0 when it exists and cannot be deleted,
// and for a path that names the root itself (empty, or backslashes only).
int DeleteRegistryKey(HKEY hRootKey, CString strKeyPath, REGSAM view = 0);

enum class KeyRemoval
{
    Deleted,
    Absent, // Windows says there is no such key
    Failed,
};

// Deletes root\strKeyPath with all its sub-keys and values, in the registry view given. A key counts
// as absent only when Windows says it does not exist; one that exists but cannot be opened or
// deleted is a failure, with the Windows error in error. A path that names the root itself fails.
[[nodiscard]] KeyRemoval DeleteRegistryKeyStrictly(HKEY hRootKey, CString strKeyPath, REGSAM view,
                                                   DWORD& error);

// Whether the series' settings key under userRoot exists (and can be opened for deletion).
bool SeriesSettingsExist(HKEY userRoot = HKEY_CURRENT_USER);
// Deletes the series' settings key as DeleteRegistryKey does: 1 when it is gone, 0 when it stays.
int DeleteSeriesSettings();
