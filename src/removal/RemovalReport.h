// What a running removal tells the one who started it, and what it asks of them. The removal
// declares it; the dialog gives one that shows progress and asks the user, an unattended run one
// that writes its log and answers by itself. Every call comes on the worker's thread, in the order
// of the removal's steps.
#pragma once

#include "framework/String.h"
#include "removal/FolderTree.h"
#include "removal/RegistryRemoval.h"
#include "removal/RemovalJob.h"

#include <windows.h>

#include <cstdint>
#include <string>

// How a whole removal ended.
enum class RemovalEnd
{
    Done,      // every found piece and every key handled
    Cancelled, // the cancel button, or Abort at a file in use
    Failed,    // a folder that could not be listed, a piece that changed since the survey, a key that
               // could not be deleted, or a backup that could not be written
};

// Progress bars and status lines: 1 follows the steps, 2 the application step's folders and files.
enum ProgressLine : int
{
    LINE_STEPS = 1,
    LINE_DETAIL = 2,
};

// One of the keys a removal deletes.
struct RemovalKey
{
    HKEY root;            // HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, or a profile's hive
    CString path;         // below root
    REGSAM view;          // the registry view it is deleted in
    std::wstring profile; // the SID of the profile whose hive root is, else empty
    bool goOn = false;    // a failure does not keep the later keys from being tried
};

// One piece on disk a removal deletes.
struct RemovalPiece
{
    RemovalSlot slot;
    const CString& path;
    std::wstring profile; // the SID of the profile a cache folder belongs to, else empty
};

class CRemovalReport : public CTreeCallbacks
{
public:
    // Whether someone watches: the application step then reports its folders and files and can be
    // cancelled. Nobody watches an unattended run, whose application folder goes as silently as the
    // rest.
    [[nodiscard]] virtual bool Watches() const = 0;

    virtual void SetProgressRange(ProgressLine, uint64_t) {}
    virtual void SetProgressPos(ProgressLine, uint64_t) {}
    virtual void ShowProgress(ProgressLine, bool) {}
    virtual void EnableCancel(bool) {}
    virtual void SetStatus(ProgressLine, const CString&) {}
    // A key that could not be deleted; the removal then ends as failed.
    virtual void OnKeyFailed(const RemovalKey&) {}
    // The last call of every removal.
    virtual void OnEnd(RemovalEnd) {}

    // A key counts as deleted when it is gone afterwards. Judged strictly, only a key Windows says
    // does not exist counts as absent; otherwise also one that cannot be opened with full access.
    [[nodiscard]] virtual bool JudgesKeysStrictly() const { return false; }

    // The registry backup written before anything was deleted, or why none could be (the removal
    // then ends as failed, with nothing deleted).
    virtual void OnBackup(const std::wstring&) {}
    virtual void OnBackupFailed(const std::wstring&, DWORD) {}

    // For a record of what was done; nothing by default.
    virtual void OnPieceStart(const RemovalPiece&) {}
    virtual void OnPieceEnd(const RemovalPiece&, const TreeOutcome&) {}
    virtual void OnKeyEnd(const RemovalKey&, KeyRemoval, DWORD) {}

    // A reporting run's folders go to status line 2, its file count to bar 2.
    void OnTreeFolder(const CString& status) override { SetStatus(LINE_DETAIL, status); }
    void OnTreeFiles(uint64_t files) override { SetProgressPos(LINE_DETAIL, files); }

protected:
    ~CRemovalReport() = default;
};
