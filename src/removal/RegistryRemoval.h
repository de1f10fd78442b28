// Removal of registry keys with their whole subtree.
#pragma once

#include "framework/String.h"

#include <windows.h>

// Deletes root\strKeyPath with all its sub-keys and values, in the registry view given
// (kProductMachineView for the products' machine keys). 1 when the key is gone afterwards or was not
// there (also when it cannot be opened with full access); 0 when it exists and cannot be deleted,
// and for a path that names the root itself (empty, or backslashes only).
int DeleteRegistryKey(HKEY hRootKey, CString strKeyPath, REGSAM view = 0);

// Whether the series' settings key exists (and can be opened for deletion).
bool SeriesSettingsExist();
// Deletes the series' settings key as DeleteRegistryKey does: 1 when it is gone, 0 when it stays.
int DeleteSeriesSettings();
