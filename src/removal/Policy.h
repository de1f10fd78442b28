// Decisions the dialog and the unattended run make the same way.
#pragma once

#include "catalog/ProductCatalog.h"
#include "framework/String.h"

#include <windows.h>

// On the NT platform the program needs membership in the Administrators group.
[[nodiscard]] bool LacksAdministratorRights();

// Whether the product runs: a top-level window of this desktop has its display name as title.
[[nodiscard]] bool IsProductRunning(const CProductEntry& entry);

// Whether a process of any session runs a program file inside appFolder (an application folder as
// the survey names it). A program without a window, or on another user's desktop, counts too.
[[nodiscard]] bool IsRunningFromFolder(const CString& appFolder);

// The series' settings key under userRoot (HKEY_CURRENT_USER, or another profile's hive) is offered
// for deletion when no product of the series is installed any more and the key is there.
[[nodiscard]] bool OffersSettingsRemoval(int seriesInstalled, HKEY userRoot = HKEY_CURRENT_USER);
