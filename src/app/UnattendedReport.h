// The report of a removal nobody watches: nothing is shown, every step goes to the log, a file in
// use is tried again for a while and then left for the next restart where nobody else can change
// the way to it, and after each piece the disk is looked at again, so that the run's exit code says
// what is really left.
#pragma once

#include "app/RunLog.h"
#include "removal/RemovalReport.h"

#include <set>
#include <string>

class CUnattendedReport final : public CRemovalReport
{
public:
    explicit CUnattendedReport(CRunLog& log) : m_log(log) {}

    // 0, 3010 when something waits for the restart, 1603 when something stays or failed.
    [[nodiscard]] int ExitCode() const;

    bool Watches() const override { return false; }
    bool JudgesKeysStrictly() const override { return true; }
    int OnLockedFile(const LockedEntry& entry) override;
    void OnFolderInUse(const LockedEntry& entry) override;
    void OnPieceStart(const RemovalPiece& piece) override;
    void OnPieceEnd(const RemovalPiece& piece, const TreeOutcome& outcome) override;
    void OnKeyEnd(const RemovalKey& key, KeyRemoval result, DWORD error) override;
    void OnBackup(const std::wstring& file) override;
    void OnBackupFailed(const std::wstring& why, DWORD error) override;

private:
    // Whether the entry may wait for the restart: Windows then deletes it by its path, with full
    // rights, so nobody but the administrators may be able to change any folder on that path.
    bool MayWaitForRestart(const LockedEntry& entry, std::wstring& why) const;
    // Schedules path and the folders that will still hold it, innermost first, up to the piece.
    bool ScheduleForRestart(const std::wstring& path);
    std::wstring PieceName() const;

    CRunLog& m_log;
    RemovalSlot m_slot = SLOT_START_MENU;
    std::wstring m_piece;   // the piece being removed, as the survey named it
    std::wstring m_profile; // the SID whose cache folder it is, or empty
    bool m_bPieceWaits = false;
    std::wstring m_lockedPath;
    ULONGLONG m_lockedSince = 0;
    std::set<std::wstring> m_scheduledFolders;
    bool m_bRestart = false;
    bool m_bFailed = false;
};
