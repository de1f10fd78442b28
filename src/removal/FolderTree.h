// The deletion engine and the file count: whole folder trees, depth first.
#pragma once

#include "framework/String.h"
#include "removal/RemovalJob.h"

#include <windows.h>

#include <cstdint>
#include <string>

// Decides about a file that cannot be written back or removed: IDABORT, IDRETRY or IDIGNORE.
// owner is the run's report window, null in a silent run.
class CLockedFileHandler
{
public:
    virtual int OnLockedFile(const std::wstring& path, DWORD error, HWND owner) = 0;

protected:
    ~CLockedFileHandler() = default;
};

// The locked-file prompt: "<path>がロック中です。" with Abort, Retry and Ignore, Retry the default,
// owned by owner.
class CLockedFilePrompt final : public CLockedFileHandler
{
public:
    int OnLockedFile(const std::wstring& path, DWORD error, HWND owner) override;
};

// What a run reports to whom. A reporting run (hWndReport set) shows each folder on status line 2
// (uMsgStatus, sent), counts files into *pFilesDone, and every nReportStep files posts the count
// (uMsgProgress) or, when *pCancel is 1, posts uMsgCancelled and stops. A silent run (hWndReport
// null) reports and counts nothing.
struct TreeRun
{
    HWND hWndReport = nullptr;
    uint64_t* pFilesDone = nullptr;
    uint32_t nReportStep = 0;
    const CancelFlag* pCancel = nullptr;
    CString* pStatusText = nullptr;
    UINT uMsgCancelled = 0;
    UINT uMsgProgress = 0;
    UINT uMsgStatus = 0;
    CLockedFileHandler* pLockedFiles = nullptr; // null: the locked-file prompt
};

enum class TreeStop
{
    None,          // the run finished
    Cancelled,     // the cancel flag was seen at a checkpoint
    Aborted,       // the answer at a locked file was Abort
    ListingFailed, // a folder's content could not be listed
};

struct TreeOutcome
{
    bool finished = true; // also when nothing matched, and when files were ignored
    TreeStop stop = TreeStop::None;
    DWORD error = 0;   // the Windows error of a listing failure
    bool told = false; // uMsgCancelled was posted to the report window
};

// Deletes strPath: a file, or a folder with everything below it and then the folder itself. Each
// folder is opened once without following links, checked on its handle, listed through it and
// removed through it; every entry is opened relative to its folder by the name the listing gave.
// A file that cannot be written back or removed goes to the run's locked-file handler: Abort stops
// (posting uMsgCancelled to hWndReport), Retry tries again, Ignore leaves the file. A link (a
// name-surrogate reparse point) is never entered: the link itself is removed, or left when it
// cannot be.
TreeOutcome DeleteTree(const CString& strPath, const TreeRun& run);

// DeleteTree with the locked-file prompt, its run given as nine parameters: 1 when it finished,
// 0 when it stopped.
int DeleteFolderTree(const CString& strPath, HWND hWndReport, uint64_t* pFilesDone, uint32_t nReportStep,
                     const CancelFlag* pCancel, CString* pStatusText, UINT uMsgCancelled, UINT uMsgProgress,
                     UINT uMsgStatus);

// Adds the files (every entry that is not a folder) and the sub-folders below strFolder, at every
// depth, to the two counters. Links are counted where they stand and never entered. 1 when the
// whole tree was listed; 0 when strFolder is not a folder or a folder could not be listed (the
// counters then hold what was counted until then).
int CountFilesInTree(CString strFolder, int* pFileCount, int* pFolderCount);

// strPath shortened to at most maxChars - 1 bytes of code page 932 text, an ellipsis replacing
// its middle, the last component kept as long as it fits; no double-byte character is split.
CString CompactPath(const CString& strPath, int maxChars);
