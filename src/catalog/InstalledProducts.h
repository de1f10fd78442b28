// Which of the catalog's products are installed, as the product list and an unattended run see
// them.
#pragma once

#include "catalog/ProductCatalog.h"
#include "framework/String.h"

#include <vector>

struct InstalledEntry
{
    CProductEntry* pEntry; // the catalog row, renamed to its edition where it has one
    CString strLabel;      // as the list shows it: the name and " (V… R… SP… …)"
};

struct InstalledSurvey
{
    std::vector<InstalledEntry> entries; // in catalog order
    int bSeriesInstalled = 0;            // 1 when a display name is one of the series' own
};

// Asks the probes about every row. A row counts as installed when its uninstall entry has a display
// name; a row with an extra machine key takes the name of its installed edition, which then also
// renames the row's display, product and shortcut names.
InstalledSurvey FindInstalledProducts(CProductCatalog& catalog);
