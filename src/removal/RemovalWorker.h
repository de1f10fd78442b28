// The removal worker: carries out a filled RemovalJob on a thread of its own and reports to the
// dialog through the UM_ messages.
#pragma once

#include "framework/String.h"

#include <windows.h>

// Thread entry; pParam is the dialog's RemovalJob. Deletes the found pieces in the order Start
// menu, desktop, setup information, cache, application, then the product's registry keys, and ends
// with exactly one of UM_DONE_OK, UM_DONE_CANCELLED or UM_DONE_FAILED. Always returns 0.
DWORD WINAPI RemovalThreadProc(LPVOID pParam);

// Removes the folder above strFolder (the Start-menu folder just deleted) when it holds nothing
// and is not a protected folder such as the Programs folder itself. Always returns 1.
int RemoveEmptyParentFolder(CString strFolder);
