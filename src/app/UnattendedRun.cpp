#include "app/UnattendedRun.h"

#include "app/ExitCodes.h"
#include "app/RunLog.h"
#include "catalog/InstalledProducts.h"
#include "catalog/ProductCatalog.h"
#include "framework/FileSystem.h"
#include "framework/Platform.h"
#include "framework/Text.h"
#include "framework/UserText.h"
#include "framework/Wnd.h"
#include "removal/RegistryRemoval.h"
#include "removal/RemovalMessages.h"
#include "removal/RemovalReport.h"
#include "removal/RemovalWorker.h"
#include "removal/Survey.h"

#include "SeriesCleanVersion.h"

#include <set>
#include <string>
#include <vector>

const wchar_t kInstanceMutexName[] = L"Global\\SeriesClean.Running";

namespace {

// How long a file in use is tried again before it is left for the next restart.
constexpr DWORD kLockedFileRetryMs = 5000;
constexpr DWORD kLockedFilePauseMs = 250;

const wchar_t* const kPieceNames[SLOT_COUNT] = {
    L"Start menu folder",  L"desktop shortcut", L"setup information folder",
    L"application folder", L"map cache folder",
};

std::wstring Wide(const CString& text)
{
    return win32::Widen(text);
}

std::wstring KeyName(HKEY root, const CString& key)
{
    return (root == HKEY_CURRENT_USER ? L"HKEY_CURRENT_USER\\" : L"HKEY_LOCAL_MACHINE\\") + Wide(key);
}

std::wstring WithError(const std::wstring& text, DWORD error)
{
    return error ? text + L" (Windows error " + std::to_wstring(error) + L")" : text;
}

// The product's name without the version part, as the list shows it.
std::wstring NameOf(const InstalledEntry& item)
{
    return Wide(item.pEntry->GetDisplayName());
}

// A removal without anyone watching: nothing is shown, a file in use is tried again for a while
// and then left for the next restart, and everything that happens goes to the log.
class CUnattendedReport : public CRemovalReport
{
public:
    explicit CUnattendedReport(CRunLog& log) : m_log(log) {}

    bool LeftForRestart() const { return m_bLeftForRestart; }
    bool Failed() const { return m_bFailed; }

    HWND ProgressWindow() const override { return nullptr; }

    int OnLockedFile(const std::wstring& path, DWORD error, HWND) override
    {
        if (path != m_lockedPath) {
            m_lockedPath = path;
            m_lockedSince = GetTickCount64();
        }
        if (GetTickCount64() - m_lockedSince < kLockedFileRetryMs) {
            Sleep(kLockedFilePauseMs);
            return IDRETRY;
        }
        m_lockedPath.clear();
        if (!ScheduleWithFolders(path)) {
            m_log.Write(WithError(L"  cannot schedule for deletion at restart: " + path, GetLastError()));
            m_bFailed = true;
            return IDABORT;
        }
        m_log.Write(WithError(L"  in use, deleted at the next restart: " + path, error));
        m_bLeftForRestart = true;
        return IDIGNORE;
    }

    void OnKeyFailed(HKEY, const CString&) override { m_bFailed = true; }

    void OnPieceStart(RemovalSlot slot, const CString& path) override
    {
        m_piece = Wide(path);
        m_log.Write(std::wstring(L"  removing the ") + kPieceNames[slot] + L": " + m_piece);
    }

    void OnPieceEnd(RemovalSlot slot, const CString& path, const TreeOutcome& outcome) override
    {
        if (outcome.finished)
            m_log.Write(std::wstring(L"  removed the ") + kPieceNames[slot] + L": " + Wide(path));
        else
            m_log.Write(
                WithError(std::wstring(L"  failed to remove the ") + kPieceNames[slot] + L": " + Wide(path),
                          outcome.error));
    }

    void OnKeyEnd(HKEY root, const CString& key, bool deleted) override
    {
        m_log.Write((deleted ? L"  key deleted or absent: " : L"  key could not be deleted: ") +
                    KeyName(root, key));
    }

private:
    // The file first, then the folders that will still hold it, innermost first, up to the piece
    // itself: Windows works through the entries in the order they were made.
    bool ScheduleWithFolders(const std::wstring& path)
    {
        if (!win32::DeleteAtRestart(path))
            return false;
        std::wstring folder = path;
        for (;;) {
            const size_t slash = folder.find_last_of(L'\\');
            if (slash == std::wstring::npos || folder.size() <= m_piece.size())
                break;
            folder.resize(slash);
            if (folder.size() < m_piece.size())
                break;
            if (m_scheduledFolders.insert(folder).second && !win32::DeleteAtRestart(folder))
                return false;
        }
        return true;
    }

    CRunLog& m_log;
    std::wstring m_piece;
    std::wstring m_lockedPath;
    ULONGLONG m_lockedSince = 0;
    std::set<std::wstring> m_scheduledFolders;
    bool m_bLeftForRestart = false;
    bool m_bFailed = false;
};

class CUnattendedRun
{
public:
    explicit CUnattendedRun(const CommandLine& line) : m_line(line) {}

    int Run();

private:
    int List();
    int Remove();
    // Removes one installed product: 0, 3010 or 1603.
    int RemoveOne(const InstalledEntry& item);
    // Deletes the series' settings key when no product of the series is left. False on failure.
    bool Purge();
    bool Matches(const InstalledEntry& item) const;
    int End(int code);

    const CommandLine& m_line;
    CRunLog m_log;
    CProductCatalog m_catalog;
};

int CUnattendedRun::Run()
{
    m_log.Open(m_line.logPath);
    const std::wstring account = CurrentAccountName();
    m_log.Write(L"SeriesClean " SERIESCLEAN_VERSION_TEXT L" started: " + std::wstring(GetCommandLineW()));
    m_log.Write(L"account: " + (account.empty() ? std::wstring(L"(unknown)") : account));
    if (m_line.action == CommandAction::Invalid) {
        if (!m_line.quiet)
            ShowMessageBox(nullptr, kUsageText, kAppTitle, MB_OK | MB_ICONINFORMATION);
        return End(EXIT_BAD_COMMAND_LINE);
    }
    m_catalog.Fill();
    return m_line.action == CommandAction::List ? List() : Remove();
}

int CUnattendedRun::List()
{
    const InstalledSurvey installed = FindInstalledProducts(m_catalog);
    std::wstring lines;
    for (const InstalledEntry& item : installed.entries) {
        const std::wstring line = Wide(item.strLabel) + L"\t" + Wide(item.pEntry->GetUninstallGuid());
        m_log.Write(L"installed: " + line);
        lines += line + L"\r\n";
    }
    WriteRedirectedStdOut(win32::ToUtf8(lines));
    return End(installed.entries.empty() ? EXIT_NOT_INSTALLED : EXIT_DONE);
}

bool CUnattendedRun::Matches(const InstalledEntry& item) const
{
    return EqualsIgnoringAsciiCase(m_line.product, NameOf(item)) ||
           EqualsIgnoringAsciiCase(m_line.product, Wide(item.pEntry->GetUninstallGuid()));
}

int CUnattendedRun::Remove()
{
    const CInstanceMutex running(kInstanceMutexName);
    if (running.AlreadyTaken()) {
        m_log.Write(L"another copy of SeriesClean is running");
        return End(EXIT_BUSY);
    }
    if (IsWindowsNT() == 1 && IsAdministrator() != 1) {
        m_log.Write(L"administrator rights are needed");
        return End(EXIT_NOT_ADMINISTRATOR);
    }

    const bool all = EqualsIgnoringAsciiCase(m_line.product, L"all");
    const InstalledSurvey installed = FindInstalledProducts(m_catalog);
    std::vector<InstalledEntry> targets;
    for (const InstalledEntry& item : installed.entries) {
        if (all || Matches(item))
            targets.push_back(item);
    }
    if (targets.empty() && !all) {
        m_log.Write(L"not an installed product of the series: " + m_line.product);
        return End(EXIT_NOT_INSTALLED);
    }
    if (targets.empty())
        m_log.Write(L"no product of the series is installed");
    // Nothing is deleted while any of them runs.
    for (const InstalledEntry& item : targets) {
        if (IsProductRunning(*item.pEntry)) {
            m_log.Write(L"running, nothing deleted: " + NameOf(item));
            return End(EXIT_BUSY);
        }
    }

    // A failed product does not stop the others; the worst outcome is the run's.
    int code = EXIT_DONE;
    for (const InstalledEntry& item : targets) {
        const int result = RemoveOne(item);
        if (result == EXIT_FAILED)
            code = EXIT_FAILED;
        else if (result == EXIT_RESTART_REQUIRED && code == EXIT_DONE)
            code = EXIT_RESTART_REQUIRED;
    }
    if (m_line.purge && code != EXIT_FAILED && !Purge())
        code = EXIT_FAILED;
    return End(code);
}

bool CUnattendedRun::Purge()
{
    const std::wstring key = KeyName(HKEY_CURRENT_USER, kSeriesSettingsKey);
    CProductCatalog fresh;
    fresh.Fill();
    if (FindInstalledProducts(fresh).bSeriesInstalled == 1) {
        m_log.Write(L"settings key kept, a product of the series is still installed: " + key);
        return true;
    }
    if (DeleteSeriesSettings() != 1) {
        m_log.Write(L"settings key could not be deleted: " + key);
        return false;
    }
    m_log.Write(L"settings key deleted or absent: " + key);
    return true;
}

int CUnattendedRun::RemoveOne(const InstalledEntry& item)
{
    m_log.Write(L"product: " + Wide(item.strLabel) + L" " + Wide(item.pEntry->GetUninstallGuid()));
    RemovalJob job;
    PieceState states[SLOT_COUNT] = {};
    SurveyRemoval(*item.pEntry, job, states);
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        const std::wstring what = std::wstring(L"  ") + kPieceNames[slot] + L": ";
        switch (states[slot]) {
        case PieceState::Found:
            m_log.Write(what + L"found " + Wide(job.m_strTarget[slot]));
            break;
        case PieceState::Protected:
            m_log.Write(what + L"refused, a protected folder: " + Wide(job.m_strTarget[slot]));
            break;
        case PieceState::Absent:
            m_log.Write(what + L"not found");
            break;
        }
    }

    CUnattendedReport report(m_log);
    const RemovalEnd end = RunRemoval(job, report);
    if (end != RemovalEnd::Done || report.Failed())
        return EXIT_FAILED;
    return report.LeftForRestart() ? EXIT_RESTART_REQUIRED : EXIT_DONE;
}

int CUnattendedRun::End(int code)
{
    // The last line of a run holds its exit code as a number.
    m_log.Write(L"exit code " + std::to_wstring(code) + L": " + Wide(CString(ExitCodeMeaning(code))));
    return code;
}

} // namespace

int RunCommandLine(const CommandLine& line)
{
    switch (line.action) {
    case CommandAction::Usage:
        ShowMessageBox(nullptr, kUsageText, kAppTitle, MB_OK | MB_ICONINFORMATION);
        return EXIT_DONE;
    case CommandAction::Invalid:
    case CommandAction::List:
    case CommandAction::Remove:
        return CUnattendedRun(line).Run();
    case CommandAction::Dialog:
        break;
    }
    return EXIT_BAD_COMMAND_LINE;
}
