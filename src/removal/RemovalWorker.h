// The removal worker: carries out a filled RemovalJob, piece by piece and then key by key, and
// reports what it does to a CRemovalReport.
#pragma once

#include "framework/String.h"
#include "removal/RemovalJob.h"
#include "removal/RemovalReport.h"

#include <vector>

// Backs up the product's registry keys, then deletes the found pieces in the order Start menu,
// desktop, setup information, cache, application, then the keys, and ends with report.OnEnd. A
// removal whose backup cannot be written deletes nothing; one that stops leaves the rest as it is.
RemovalEnd RunRemoval(RemovalJob& job, CRemovalReport& report);

// The keys a removal deletes, in order: the machine key, the extra machine key when there is one,
// the uninstall entry (all in the products' 32-bit view), then the user key: the current user's, or
// for a removal through every profile each profile's.
std::vector<RemovalKey> RemovalKeysOf(const RemovalJob& job);

// Removes the folder above strFolder (the Start-menu folder just deleted) when it holds nothing
// and is not a protected folder such as the Programs folder itself. Always returns 1.
int RemoveEmptyParentFolder(CString strFolder);
