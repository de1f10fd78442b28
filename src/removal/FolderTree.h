// The deletion engine and the file count: whole folder trees, depth first.
#pragma once

#include "framework/String.h"
#include "removal/RemovalJob.h"

#include <windows.h>

#include <cstdint>

// Deletes strPath: a file, or a folder with everything below it and then the folder itself.
// A reporting run (hWndReport set) shows each folder on status line 2 (uMsgStatus, sent), counts
// files into *pFilesDone, and every nReportStep files posts the count (uMsgProgress) or, when
// *pCancel is 1, posts uMsgCancelled and stops. A silent run (hWndReport null) reports and counts
// nothing. A file that cannot be written back or removed raises the locked-file prompt: Abort
// stops (posting uMsgCancelled to hWndReport), Retry tries again, Ignore leaves the file.
// A link (reparse point) is never entered: the link itself is removed, or left when it cannot be.
// Returns 1 when finished (also when nothing matched, and when files were ignored), 0 when it
// stopped; LastTreeStop tells why.
int DeleteFolderTree(const CString& strPath, HWND hWndReport, uint64_t* pFilesDone, uint32_t nReportStep,
                     const CancelFlag* pCancel, CString* pStatusText, UINT uMsgCancelled, UINT uMsgProgress,
                     UINT uMsgStatus);

enum class TreeStop
{
    None,          // the last run finished
    Cancelled,     // the cancel flag was seen at a checkpoint
    Aborted,       // the user answered Abort at a locked file
    ListingFailed, // a folder's content could not be listed
};

// Why the last DeleteFolderTree on this thread returned 0 (None when it returned 1).
TreeStop LastTreeStop();

// Adds the files (every entry that is not a folder) and the sub-folders below strFolder, at every
// depth, to the two counters. Links are counted where they stand and never entered. 1 when the
// whole tree was listed; 0 when strFolder is not a folder or a folder could not be listed (the
// counters then hold what was counted until then).
int CountFilesInTree(CString strFolder, int* pFileCount, int* pFolderCount);

// strPath shortened to at most maxChars - 1 bytes of code page 932 text, an ellipsis replacing
// its middle, the last component kept as long as it fits; no double-byte character is split.
CString CompactPath(const CString& strPath, int maxChars);
