// The removal worker: carries out a filled RemovalJob, piece by piece and then key by key, and
// reports what it does to a CRemovalReport.
#pragma once

#include "framework/String.h"
#include "removal/RemovalJob.h"
#include "removal/RemovalReport.h"

#include <windows.h>

// Deletes the found pieces in the order Start menu, desktop, setup information, cache,
// application, then the product's registry keys. When the report has a window, the window gets
// the progress messages and exactly one of UM_DONE_OK, UM_DONE_CANCELLED or UM_DONE_FAILED.
RemovalEnd RunRemoval(RemovalJob& job, CRemovalReport& report);

// Thread entry; pParam is the dialog's RemovalJob, whose m_hDlg takes the reports. Always 0.
DWORD WINAPI RemovalThreadProc(LPVOID pParam);

// Removes the folder above strFolder (the Start-menu folder just deleted) when it holds nothing
// and is not a protected folder such as the Programs folder itself. Always returns 1.
int RemoveEmptyParentFolder(CString strFolder);
