#include "removal/RemovalWorker.h"

#include "catalog/ProductCatalog.h"
#include "framework/FileSystem.h"
#include "removal/FolderTree.h"
#include "removal/PathOps.h"
#include "removal/ProtectedFolders.h"
#include "removal/RegistryRemoval.h"
#include "removal/RemovalBackup.h"
#include "framework/Text.h"

namespace {

// The pause after each silent step.
constexpr DWORD kStepPauseMs = 200;

// What status line 1 shows while each piece is removed.
const char* StepStatus(RemovalSlot slot)
{
    switch (slot) {
    case SLOT_START_MENU:
        return "ショートカット（スタートメニュー）の削除";
    case SLOT_DESKTOP_LINK:
        return "ショートカット（デスクトップ）の削除";
    case SLOT_SETUP_INFO:
        return "InstallShield Installation Informationの削除";
    case SLOT_CACHE_FOLDER:
        return "キャッシュフォルダの削除";
    case SLOT_APP_FOLDER:
    case SLOT_COUNT:
        break;
    }
    return "アプリケーションの削除";
}

class Worker
{
public:
    Worker(RemovalJob& job, CRemovalReport& report) : m_job(job), m_report(report) {}

    RemovalEnd Run();

private:
    // The pieces of one step: one, or for the cache folder of a removal through every profile, one
    // per profile. False when the removal ends with the step; m_end then says how.
    bool RunFileStep(RemovalSlot slot);
    bool RunPiece(const RemovalPiece& piece, const win32::FileIdentity& identity);
    bool RunRegistrySteps();
    bool DeleteKey(const RemovalKey& key);
    RemovalEnd End(RemovalEnd end)
    {
        m_report.OnEnd(end);
        return end;
    }

    RemovalJob& m_job;
    CRemovalReport& m_report;
    RemovalEnd m_end = RemovalEnd::Done;
};

RemovalEnd Worker::Run()
{
    // The way back comes first: without it, nothing goes.
    std::wstring backup, why;
    DWORD error = 0;
    if (!BackUpKeys(RemovalKeysOf(m_job), win32::Widen(m_job.m_strProduct), backup, why, error)) {
        m_report.OnBackupFailed(why, error);
        return End(RemovalEnd::Failed);
    }
    m_report.OnBackup(backup);

    m_job.m_nStepTotal = 0;
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        if (m_job.m_bFound[slot])
            ++m_job.m_nStepTotal;
    }
    for (const ProfilePieces& profile : m_job.m_profiles) {
        if (profile.bCacheFound)
            ++m_job.m_nStepTotal;
    }
    m_report.SetProgressRange(LINE_STEPS, m_job.m_nStepTotal);
    m_report.ShowProgress(LINE_STEPS, true);
    m_report.ShowProgress(LINE_DETAIL, true);
    m_report.EnableCancel(true);

    for (RemovalSlot slot : kRemovalOrder) {
        if (!RunFileStep(slot))
            return End(m_end);
    }
    if (!RunRegistrySteps())
        return End(RemovalEnd::Failed);

    m_report.SetStatus(LINE_STEPS, CString());
    m_report.SetStatus(LINE_DETAIL, CString());
    m_report.ShowProgress(LINE_STEPS, false);
    m_report.ShowProgress(LINE_DETAIL, false);
    m_report.EnableCancel(false);
    return End(RemovalEnd::Done);
}

bool Worker::RunFileStep(RemovalSlot slot)
{
    if (slot == SLOT_CACHE_FOLDER && m_job.m_bPerProfile) {
        for (const ProfilePieces& profile : m_job.m_profiles) {
            if (profile.bCacheFound &&
                !RunPiece({slot, profile.strCache, profile.sid}, profile.cacheIdentity))
                return false;
        }
        return true;
    }
    return !m_job.m_bFound[slot] ||
           RunPiece({slot, m_job.m_strTarget[slot], std::wstring()}, m_job.m_identity[slot]);
}

bool Worker::RunPiece(const RemovalPiece& piece, const win32::FileIdentity& identity)
{
    m_report.SetStatus(LINE_STEPS, StepStatus(piece.slot));
    m_report.SetStatus(LINE_DETAIL, CString());
    m_report.OnPieceStart(piece);

    TreeRun run;
    run.pExpected = &identity;
    if (piece.slot == SLOT_APP_FOLDER) {
        m_job.m_nFileTotal = m_job.m_nTargetFiles[SLOT_APP_FOLDER];
        m_report.SetProgressRange(LINE_DETAIL, static_cast<uint64_t>(m_job.m_nFileTotal));
        m_job.m_nFileDone = 0;
        if (m_report.Watches()) {
            run.reporting = true;
            run.pFilesDone = &m_job.m_nFileDone;
            run.nReportStep = static_cast<uint32_t>(m_job.m_nReportInterval);
        }
    }
    const TreeOutcome outcome = DeleteTree(piece.path, run, m_report);
    m_report.OnPieceEnd(piece, outcome);
    if (!outcome.finished) {
        // Every removal ends with one answer that says how it ended: an Abort in a silent step is a
        // cancellation, a folder that could not be listed or changed since the survey a failure.
        m_end = outcome.stop == TreeStop::Cancelled || outcome.stop == TreeStop::Aborted
                    ? RemovalEnd::Cancelled
                    : RemovalEnd::Failed;
        return false;
    }
    if (piece.slot != SLOT_APP_FOLDER) {
        if (piece.slot == SLOT_START_MENU)
            RemoveEmptyParentFolder(piece.path);
        Sleep(kStepPauseMs);
    }
    ++m_job.m_nStepDone;
    m_report.SetProgressPos(LINE_STEPS, m_job.m_nStepDone);
    return true;
}

bool Worker::RunRegistrySteps()
{
    bool deleted = true;
    for (const RemovalKey& key : RemovalKeysOf(m_job)) {
        if (DeleteKey(key))
            continue;
        deleted = false;
        if (!key.goOn)
            return false; // the later keys are not touched
    }
    return deleted;
}

bool Worker::DeleteKey(const RemovalKey& key)
{
    KeyRemoval result = KeyRemoval::Failed;
    DWORD error = 0;
    if (m_report.JudgesKeysStrictly())
        result = DeleteRegistryKeyStrictly(key.root, key.path, key.view, error);
    else if (DeleteRegistryKey(key.root, key.path, key.view) == 1)
        result = KeyRemoval::Deleted;
    m_report.OnKeyEnd(key, result, error);
    if (result == KeyRemoval::Failed)
        m_report.OnKeyFailed(key);
    return result != KeyRemoval::Failed;
}

} // namespace

std::vector<RemovalKey> RemovalKeysOf(const RemovalJob& job)
{
    std::vector<RemovalKey> keys = {
        {HKEY_LOCAL_MACHINE, job.m_strMachineKey, kProductMachineView, std::wstring()}};
    if (!job.m_strExtraMachineKey.IsEmpty())
        keys.push_back({HKEY_LOCAL_MACHINE, job.m_strExtraMachineKey, kProductMachineView, std::wstring()});
    keys.push_back({HKEY_LOCAL_MACHINE, job.m_strUninstallKey, kProductMachineView, std::wstring()});
    if (!job.m_bPerProfile) {
        keys.push_back({HKEY_CURRENT_USER, job.m_strUserKey, 0, std::wstring()});
        return keys;
    }
    // A profile's key that stays does not keep the others' from going; any that stays fails the
    // removal.
    for (const ProfilePieces& profile : job.m_profiles)
        keys.push_back({profile.hive, job.m_strUserKey, 0, profile.sid, true});
    return keys;
}

RemovalEnd RunRemoval(RemovalJob& job, CRemovalReport& report)
{
    return Worker(job, report).Run();
}

int RemoveEmptyParentFolder(CString strFolder)
{
    const CString parent = GetParentPath(strFolder);
    if (parent.IsEmpty())
        return 1;
    // Neither the Programs folder, however it is spelled, nor any other protected folder is ever
    // removed.
    if (IsProtectedFolder(parent))
        return 1;
    int files = 0;
    int folders = 0;
    CountFilesInTree(parent, &files, &folders);
    if (files == 0 && folders == 0)
        (void)win32::RemoveFolder(parent);
    return 1;
}
