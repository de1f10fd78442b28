// The removal worker: carries out a filled RemovalJob, piece by piece and then key by key, and
// reports what it does to a CRemovalReport.
#pragma once

#include "framework/String.h"
#include "removal/RemovalJob.h"
#include "removal/RemovalReport.h"

// Deletes the found pieces in the order Start menu, desktop, setup information, cache,
// application, then the product's registry keys, and ends with report.OnEnd. A removal that stops
// leaves the rest as it is.
RemovalEnd RunRemoval(RemovalJob& job, CRemovalReport& report);

// Removes the folder above strFolder (the Start-menu folder just deleted) when it holds nothing
// and is not a protected folder such as the Programs folder itself. Always returns 1.
int RemoveEmptyParentFolder(CString strFolder);
