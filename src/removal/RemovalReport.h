// What a running removal tells the one who started it, and what it asks of them. The removal
// declares it; the dialog gives one that shows progress and asks the user, an unattended run one
// that writes its log and answers by itself. Every call comes on the worker's thread.
#pragma once

#include "framework/String.h"
#include "removal/FolderTree.h"
#include "removal/RemovalJob.h"

#include <windows.h>

// How a whole removal ended.
enum class RemovalEnd
{
    Done,      // every found piece and every key handled
    Cancelled, // the cancel button, or Abort at a file in use
    Failed,    // a folder that could not be listed, or a key that could not be deleted
};

class CRemovalReport : public CLockedFileHandler
{
public:
    // The window that receives the UM_ messages (progress, status lines, the final message), or
    // null when nobody watches: the application folder is then removed as silently as the rest.
    virtual HWND ProgressWindow() const = 0;
    // A key that could not be deleted; the removal then ends as failed.
    virtual void OnKeyFailed(HKEY root, const CString& key) = 0;

    // For a record of what was done; nothing by default.
    virtual void OnPieceStart(RemovalSlot, const CString&) {}
    virtual void OnPieceEnd(RemovalSlot, const CString&, const TreeOutcome&) {}
    virtual void OnKeyEnd(HKEY, const CString&, bool) {}

protected:
    ~CRemovalReport() = default;
};

// The dialog's report: its window takes the messages, the locked-file prompt and the key's error
// box are shown owned by it.
class CWindowReport final : public CRemovalReport
{
public:
    explicit CWindowReport(HWND hWnd) : m_hWnd(hWnd) {}

    HWND ProgressWindow() const override { return m_hWnd; }
    int OnLockedFile(const std::wstring& path, DWORD error, HWND owner) override;
    void OnKeyFailed(HKEY root, const CString& key) override;

private:
    HWND m_hWnd;
};
