// The deletion engine and the file count: whole folder trees, depth first. Both walk with an
// explicit stack: a tree as deep as the file system allows costs no call stack, and what each level
// keeps (its folder's handle and the listing entries it has not handled yet) does not grow with the
// depth.
#pragma once

#include "framework/FileIdentity.h"
#include "framework/String.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A file that cannot be removed (or a folder that cannot, because another program holds it open),
// with the folders the engine holds open on the way to it: from the deleted piece down to the one
// that holds the entry. The handles are valid during the call only.
struct LockedEntry
{
    const std::wstring& path; // the full path as the user reads it
    DWORD error;              // why it could not be removed
    bool reportingStep;       // the application step of a watched removal
    const std::vector<HANDLE>& folders;
};

// What a deletion run tells and asks the one who runs it. Every call comes on the run's thread.
class CTreeCallbacks
{
public:
    // A reporting run: the status text of the folder it enters (status line 2), and its file count
    // at every checkpoint, where it first asks whether to stop.
    virtual void OnTreeFolder(const CString&) {}
    virtual void OnTreeFiles(uint64_t) {}
    [[nodiscard]] virtual bool CancelRequested() const { return false; }
    // Every run: a file that cannot be written back or removed. IDABORT, IDRETRY or IDIGNORE.
    virtual int OnLockedFile(const LockedEntry& entry) = 0;
    // Every run: a folder emptied but left, because another program holds it open.
    virtual void OnFolderInUse(const LockedEntry&) {}

protected:
    ~CTreeCallbacks() = default;
};

// How a run reports. A reporting run (the application step of a watched removal) shows each
// folder it enters, counts files into *pFilesDone, and every nReportStep files reports the count or,
// asked to, stops. A silent run reports and counts nothing.
struct TreeRun
{
    bool reporting = false;
    uint64_t* pFilesDone = nullptr;
    uint32_t nReportStep = 0;
    // What the survey found at the path; the run deletes nothing that is not it. Null: not checked.
    const win32::FileIdentity* pExpected = nullptr;
};

enum class TreeStop
{
    None,          // the run finished
    Cancelled,     // the cancel request was seen at a checkpoint
    Aborted,       // the answer at a locked file was Abort
    ListingFailed, // a folder's content could not be listed, or the path could not be looked up
    NotSurveyed,   // the path leads elsewhere than at the survey (a link put on the way since)
};

struct TreeOutcome
{
    bool finished = true; // also when nothing matched, and when entries were left
    TreeStop stop = TreeStop::None;
    DWORD error = 0;   // the Windows error of a listing failure
    uint64_t left = 0; // entries that stayed: ignored files, folders and links that could not go
};

// Deletes strPath: a file, or a folder with everything below it and then the folder itself. Each
// folder is opened once without following links, checked on its handle, listed through it and
// removed through it; every entry is opened relative to its folder by the name the listing gave.
// A file that cannot be removed goes to callbacks.OnLockedFile: Abort stops, Retry tries again,
// Ignore leaves the file. A link (a name-surrogate reparse point) is never entered: the link itself
// is removed, or left when it cannot be. A file shared with names elsewhere (a hard link) keeps its
// attributes and time stamps there.
TreeOutcome DeleteTree(const CString& strPath, const TreeRun& run, CTreeCallbacks& callbacks);

// Adds the files (every entry that is not a folder) and the sub-folders below strFolder, at every
// depth, to the two counters. Links are counted where they stand and never entered. 1 when the
// whole tree was listed; 0 when strFolder is not a folder or a folder could not be listed (the
// counters then hold what was counted until then).
int CountFilesInTree(CString strFolder, int* pFileCount, int* pFolderCount);

// strPath shortened to at most maxChars - 1 bytes of code page 932 text, an ellipsis replacing
// its middle, the last component kept as long as it fits; no double-byte character is split.
CString CompactPath(const CString& strPath, int maxChars);

// The status line 2 text of a folder a reporting run enters.
CString FolderStatusText(const std::wstring& folder);
