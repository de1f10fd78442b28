#include "app/UnattendedReport.h"

#include "app/ExitCodes.h"
#include "framework/FileSystem.h"
#include "framework/Security.h"
#include "framework/Text.h"
#include "removal/RemovalBackup.h"

namespace {

// How long a file in use is tried again before it is left for the next restart.
constexpr DWORD kLockedFileRetryMs = 5000;
constexpr DWORD kLockedFilePauseMs = 250;

const wchar_t* const kPieceNames[SLOT_COUNT] = {
    L"Start menu folder",  L"desktop shortcut", L"setup information folder",
    L"application folder", L"map cache folder",
};

std::wstring WithError(const std::wstring& text, DWORD error)
{
    return error ? text + L" (Windows error " + std::to_wstring(error) + L")" : text;
}

bool IsInUse(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool IsGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::wstring ParentOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos)
        return std::wstring();
    return slash == 2 && path[1] == L':' ? path.substr(0, 3) : path.substr(0, slash);
}

} // namespace

int CUnattendedReport::ExitCode() const
{
    return m_bFailed ? EXIT_FAILED : m_bRestart ? EXIT_RESTART_REQUIRED : EXIT_DONE;
}

std::wstring CUnattendedReport::PieceName() const
{
    return m_profile.empty() ? std::wstring(kPieceNames[m_slot])
                             : std::wstring(kPieceNames[m_slot]) + L" of " + m_profile;
}

void CUnattendedReport::OnPieceStart(const RemovalPiece& piece)
{
    m_slot = piece.slot;
    m_piece = win32::Widen(piece.path);
    m_profile = piece.profile;
    m_bPieceWaits = false;
    m_log.Write(L"  removing the " + PieceName() + L": " + m_piece);
}

// The run's own word is not taken for it: the piece is looked at again.
void CUnattendedReport::OnPieceEnd(const RemovalPiece&, const TreeOutcome& outcome)
{
    if (!outcome.finished) {
        const wchar_t* why =
            outcome.stop == TreeStop::NotSurveyed ? L": it is not what the survey found there" : L"";
        m_log.Write(
            WithError(L"  failed to remove the " + PieceName() + L": " + m_piece + why, outcome.error));
        m_bFailed = true;
        return;
    }
    if (GetFileAttributesW(win32::FileSystemPath(m_piece).c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (IsGone(error)) {
            m_log.Write(L"  removed the " + PieceName() + L": " + m_piece);
            return;
        }
        m_log.Write(WithError(L"  cannot tell whether the " + PieceName() + L" is gone: " + m_piece, error));
        m_bFailed = true;
        return;
    }
    if (m_bPieceWaits) {
        m_log.Write(L"  the " + PieceName() + L" stays until the next restart: " + m_piece);
        return;
    }
    m_log.Write(L"  the " + PieceName() + L" is still there: " + m_piece);
    m_bFailed = true;
}

void CUnattendedReport::OnKeyEnd(const RemovalKey& key, KeyRemoval result, DWORD error)
{
    switch (result) {
    case KeyRemoval::Deleted:
        m_log.Write(L"  key deleted: " + RegeditName(key));
        break;
    case KeyRemoval::Absent:
        m_log.Write(L"  key absent: " + RegeditName(key));
        break;
    case KeyRemoval::Failed:
        m_log.Write(WithError(L"  key could not be deleted: " + RegeditName(key), error));
        m_bFailed = true;
        break;
    }
}

void CUnattendedReport::OnBackup(const std::wstring& file)
{
    m_log.Write(L"  registry backup: " + file);
}

void CUnattendedReport::OnBackupFailed(const std::wstring& why, DWORD error)
{
    m_log.Write(WithError(L"  nothing deleted: the registry backup failed, " + why, error));
    m_bFailed = true;
}

int CUnattendedReport::OnLockedFile(const LockedEntry& entry)
{
    if (IsGone(entry.error))
        return IDIGNORE; // it went meanwhile
    if (!IsInUse(entry.error)) {
        m_log.Write(WithError(L"  cannot be removed: " + entry.path, entry.error));
        m_bFailed = true;
        return IDIGNORE;
    }
    if (entry.path != m_lockedPath) {
        m_lockedPath = entry.path;
        m_lockedSince = GetTickCount64();
    }
    if (GetTickCount64() - m_lockedSince < kLockedFileRetryMs) {
        Sleep(kLockedFilePauseMs);
        return IDRETRY;
    }
    m_lockedPath.clear();
    std::wstring why;
    if (!MayWaitForRestart(entry, why)) {
        m_log.Write(L"  in use and left, not deleted at the next restart because " + why + L": " +
                    entry.path);
        m_bFailed = true;
        return IDIGNORE;
    }
    if (!ScheduleForRestart(entry.path)) {
        m_log.Write(WithError(L"  cannot schedule for deletion at restart: " + entry.path, GetLastError()));
        m_bFailed = true;
        return IDIGNORE;
    }
    m_log.Write(WithError(L"  in use, deleted at the next restart: " + entry.path, entry.error));
    m_bRestart = true;
    m_bPieceWaits = true;
    return IDIGNORE;
}

void CUnattendedReport::OnFolderInUse(const LockedEntry& entry)
{
    std::wstring why;
    if (!MayWaitForRestart(entry, why) ||
        win32::IsChangeableByOthers(win32::FileSystemPath(entry.path), win32::kChangeRights)) {
        if (why.empty())
            why = L"someone other than SYSTEM and the administrators may change it";
        m_log.Write(L"  held open by another program and left, not deleted at the next restart because " +
                    why + L": " + entry.path);
        m_bFailed = true;
        return;
    }
    if (!ScheduleForRestart(entry.path)) {
        m_log.Write(WithError(L"  cannot schedule for deletion at restart: " + entry.path, GetLastError()));
        m_bFailed = true;
        return;
    }
    m_log.Write(L"  held open by another program, deleted at the next restart: " + entry.path);
    m_bRestart = true;
    m_bPieceWaits = true;
}

bool CUnattendedReport::MayWaitForRestart(const LockedEntry& entry, std::wstring& why) const
{
    if (m_slot == SLOT_CACHE_FOLDER) {
        why = L"it lies in a folder its user controls";
        return false;
    }
    for (HANDLE folder : entry.folders) {
        if (win32::IsChangeableByOthers(folder, SE_FILE_OBJECT, win32::kChangeRights)) {
            why = L"someone other than SYSTEM and the administrators may change a folder on its way";
            return false;
        }
    }
    // Above the piece, nobody else may rename or replace a folder on the way.
    for (std::wstring folder = ParentOf(m_piece); !folder.empty();) {
        const bool root = folder.size() <= 3;
        const DWORD rights = FILE_DELETE_CHILD | (root ? 0 : win32::kReplaceRights);
        if (win32::IsChangeableByOthers(win32::FileSystemPath(folder), rights)) {
            why = L"someone other than SYSTEM and the administrators may replace a folder above it";
            return false;
        }
        if (root)
            break;
        folder = ParentOf(folder);
    }
    return true;
}

// Windows works through the entries in the order they were made: the file first, then the folders
// that will still hold it, innermost first, up to the piece itself.
bool CUnattendedReport::ScheduleForRestart(const std::wstring& path)
{
    if (!win32::DeleteAtRestart(path))
        return false;
    for (std::wstring folder = ParentOf(path); folder.size() >= m_piece.size(); folder = ParentOf(folder)) {
        if (m_scheduledFolders.insert(folder).second && !win32::DeleteAtRestart(folder))
            return false;
        if (folder.size() == m_piece.size())
            break;
    }
    return true;
}
