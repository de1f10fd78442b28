#include "app/UnattendedRun.h"

#include "app/ExitCodes.h"
#include "app/RunLog.h"
#include "app/UnattendedReport.h"
#include "catalog/InstalledProducts.h"
#include "catalog/ProductCatalog.h"
#include "framework/FileIdentity.h"
#include "framework/Platform.h"
#include "framework/Registry.h"
#include "framework/Security.h"
#include "framework/Text.h"
#include "framework/Wnd.h"
#include "removal/Policy.h"
#include "removal/ProgramFolders.h"
#include "removal/RegistryRemoval.h"
#include "removal/RemovalBackup.h"
#include "removal/RemovalWorker.h"
#include "removal/Survey.h"
#include "removal/UserProfiles.h"
#include "ui/RemovalMessages.h"
#include "SeriesCleanVersion.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

const wchar_t kInstanceMutexName[] = L"Global\\SeriesClean.Running";

std::wstring InstanceLockFile()
{
    return ProgramHomePath() + L"\\SeriesClean.lock";
}

namespace {

const wchar_t* const kPieceNames[SLOT_COUNT] = {
    L"Start menu folder",  L"desktop shortcut", L"setup information folder",
    L"application folder", L"map cache folder",
};

std::wstring Wide(const CString& text)
{
    return win32::Widen(text);
}

std::wstring WithError(const std::wstring& text, DWORD error)
{
    return error ? text + L" (Windows error " + std::to_wstring(error) + L")" : text;
}

std::wstring WithCrLf(const std::wstring& text)
{
    std::wstring lines;
    for (const wchar_t c : text)
        lines += c == L'\n' ? std::wstring(L"\r\n") : std::wstring(1, c);
    return lines + L"\r\n";
}

// The product's name without the version part, as the list shows it.
std::wstring NameOf(const InstalledEntry& item)
{
    return Wide(item.pEntry->GetDisplayName());
}

std::wstring StateText(PieceState state, const CString& target)
{
    switch (state) {
    case PieceState::Found:
        return L"found " + Wide(target);
    case PieceState::Protected:
        return L"refused, a protected folder: " + Wide(target);
    case PieceState::Absent:
        break;
    }
    return L"not found";
}

// One profile of the PC with its hive open for the whole run.
struct OpenProfile
{
    UserProfile profile;
    std::unique_ptr<CUserHive> hive;
};

class CUnattendedRun
{
public:
    explicit CUnattendedRun(const CommandLine& line) : m_line(line) {}

    int Run();

private:
    int List();
    int Remove();
    // Opens the hive of every profile that has one, and logs each. False when one could not be.
    bool OpenProfiles();
    void CloseProfiles();
    // A job for the product with every open profile's pieces, surveyed; logged when log is set.
    void Survey(const InstalledEntry& item, RemovalJob& job, bool log);
    // Writes what a real run would delete, piece by piece and key by key, to the log and to redirected
    // standard output; deletes and backs up nothing.
    void DryRun(const std::vector<InstalledEntry>& targets);
    // Removes one installed product: 0, 3010 or 1603.
    int RemoveOne(const InstalledEntry& item);
    // Deletes every profile's settings key when no product of the series is left. False on failure.
    bool Purge();
    bool Matches(const InstalledEntry& item) const;
    int End(int code);

    const CommandLine& m_line;
    CRunLog m_log;
    CProductCatalog m_catalog;
    std::vector<OpenProfile> m_profiles;
};

int CUnattendedRun::Run()
{
    std::wstring why;
    if (!m_log.Open(m_line.logPath, why)) {
        // Nowhere to say it but where the caller reads.
        WriteRedirectedStdOut(win32::ToUtf8(L"SeriesClean: " + why + L"\r\n"));
        return EXIT_LOG_FAILED;
    }
    const std::wstring account = CurrentAccountName();
    m_log.Write(L"SeriesClean " SERIESCLEAN_VERSION_TEXT L" started: " + std::wstring(GetCommandLineW()));
    m_log.Write(L"account: " + (account.empty() ? std::wstring(L"(unknown)") : account));
    if (IsWow64() == 1) {
        m_log.Write(L"this is the 32-bit build, which does not run on 64-bit Windows; nothing was read "
                    L"or deleted");
        return End(EXIT_WRONG_PLATFORM);
    }
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
    // The lock falls back on a file in the home when another account made an object of its name.
    std::wstring homeWhy;
    (void)EnsureProgramHome(homeWhy);
    const win32::CAdministratorsLock running(kInstanceMutexName, InstanceLockFile());
    if (running.FoundForeignObject())
        m_log.Write(L"an object named like the program's lock, made by another account, was passed over");
    if (running.HeldElsewhere()) {
        m_log.Write(L"another copy of SeriesClean is running");
        return End(EXIT_BUSY);
    }
    if (LacksAdministratorRights()) {
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

    const bool profilesOpen = OpenProfiles();
    // Nothing is deleted while any of them runs, on any desktop, with or without a window.
    for (const InstalledEntry& item : targets) {
        RemovalJob job;
        Survey(item, job, false);
        if (IsProductRunning(*item.pEntry) || IsRunningFromFolder(job.m_strTarget[SLOT_APP_FOLDER])) {
            m_log.Write(L"running, nothing deleted: " + NameOf(item));
            CloseProfiles();
            return End(EXIT_BUSY);
        }
    }

    if (m_line.whatIf) {
        DryRun(targets);
        CloseProfiles();
        return End(EXIT_DONE);
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
    CloseProfiles();
    if (!profilesOpen)
        code = EXIT_FAILED;
    return End(code);
}

bool CUnattendedRun::OpenProfiles()
{
    // A folder that an earlier entry of ProfileList names too (Windows leaves "<SID>.bak" entries
    // behind after a temporary profile) holds the same NTUSER.DAT: the first entry visits it, and
    // a hive that is loaded already is not loaded a second time.
    struct Visited
    {
        std::wstring sid;
        std::wstring folder;
        bool known = false; // the identity could be taken
        win32::FileIdentity identity;
    };
    std::vector<Visited> visited;
    bool opened = true;
    for (const UserProfile& profile : RegisteredProfiles()) {
        const std::wstring name = L"profile " + profile.m_sid + L" (" + profile.m_folder + L"): ";
        if (IsServiceAccountSid(profile.m_sid)) {
            m_log.Write(name + L"a service account, skipped");
            continue;
        }
        Visited here{profile.m_sid, profile.m_folder, false, {}};
        win32::KernelHandle folder;
        here.known = win32::OpenForIdentity(profile.m_folder, folder) &&
                     win32::GetIdentity(folder.Get(), here.identity);
        const auto same = std::find_if(visited.begin(), visited.end(), [&](const Visited& earlier) {
            return (here.known && earlier.known && here.identity == earlier.identity) ||
                   win32::EqualIgnoringCase(here.folder, earlier.folder);
        });
        if (same != visited.end()) {
            m_log.Write(name + L"the same folder as profile " + same->sid + L", skipped");
            continue;
        }
        visited.push_back(std::move(here));
        auto hive = std::make_unique<CUserHive>();
        switch (hive->Open(profile)) {
        case CUserHive::State::Loaded:
            m_log.Write(name + L"its registry is loaded");
            break;
        case CUserHive::State::LoadedByUs:
            m_log.Write(name + L"its registry was loaded from NTUSER.DAT");
            break;
        case CUserHive::State::NoHive:
            m_log.Write(name + L"no NTUSER.DAT, skipped");
            continue;
        case CUserHive::State::Failed:
        case CUserHive::State::Closed:
            m_log.Write(WithError(name + L"its registry cannot be loaded, its pieces stay",
                                  static_cast<DWORD>(hive->GetError())));
            opened = false;
            continue;
        }
        m_profiles.push_back({profile, std::move(hive)});
    }
    return opened;
}

void CUnattendedRun::CloseProfiles()
{
    for (OpenProfile& open : m_profiles) {
        const bool ours = open.hive->GetState() == CUserHive::State::LoadedByUs;
        if (!open.hive->Close() && ours)
            m_log.Write(WithError(L"profile " + open.profile.m_sid + L": its registry stays loaded",
                                  static_cast<DWORD>(open.hive->GetError())));
    }
    m_profiles.clear();
}

void CUnattendedRun::Survey(const InstalledEntry& item, RemovalJob& job, bool log)
{
    job.m_bPerProfile = true;
    for (const OpenProfile& open : m_profiles) {
        ProfilePieces pieces;
        pieces.sid = open.profile.m_sid;
        pieces.folder = open.profile.m_folder;
        pieces.hive = open.hive->Root();
        pieces.hiveName = open.hive->RegistryName();
        job.m_profiles.push_back(pieces);
    }
    PieceState states[SLOT_COUNT] = {};
    SurveyRemoval(*item.pEntry, job, states);
    if (!log)
        return;
    for (RemovalSlot slot : kRemovalOrder) {
        if (slot != SLOT_CACHE_FOLDER) {
            m_log.Write(std::wstring(L"  ") + kPieceNames[slot] + L": " +
                        StateText(states[slot], job.m_strTarget[slot]));
            continue;
        }
        for (const ProfilePieces& profile : job.m_profiles)
            m_log.Write(std::wstring(L"  ") + kPieceNames[slot] + L" of " + profile.sid + L": " +
                        StateText(profile.cacheState, profile.strCache));
    }
}

void CUnattendedRun::DryRun(const std::vector<InstalledEntry>& targets)
{
    std::wstring output;
    auto say = [&](const std::wstring& line) {
        m_log.Write(line);
        output += line + L"\r\n";
    };
    auto exists = [](const RemovalKey& key) {
        win32::RegKey opened;
        return opened.Open(key.root, key.path, KEY_QUERY_VALUE | key.view) == ERROR_SUCCESS;
    };
    say(L"dry run: nothing is deleted, no backup is written");
    for (const InstalledEntry& item : targets) {
        say(L"product: " + Wide(item.strLabel) + L" " + Wide(item.pEntry->GetUninstallGuid()));
        RemovalJob job;
        Survey(item, job, true);
        for (RemovalSlot slot : kRemovalOrder) {
            if (slot != SLOT_CACHE_FOLDER) {
                if (job.m_bFound[slot])
                    say(std::wstring(L"  would remove the ") + kPieceNames[slot] + L": " +
                        Wide(job.m_strTarget[slot]));
                continue;
            }
            for (const ProfilePieces& profile : job.m_profiles) {
                if (profile.bCacheFound)
                    say(std::wstring(L"  would remove the ") + kPieceNames[slot] + L" of " + profile.sid +
                        L": " + Wide(profile.strCache));
            }
        }
        for (const RemovalKey& key : RemovalKeysOf(job)) {
            if (exists(key))
                say(L"  would delete the key: " + RegeditName(key));
        }
    }
    if (m_line.purge) {
        for (const OpenProfile& open : m_profiles) {
            const RemovalKey key{open.hive->Root(), kSeriesSettingsKey, 0, open.profile.m_sid};
            if (exists(key))
                say(L"would delete the settings key once no product of the series is left: " +
                    RegeditName(key));
        }
    }
    WriteRedirectedStdOut(win32::ToUtf8(output));
}

int CUnattendedRun::RemoveOne(const InstalledEntry& item)
{
    m_log.Write(L"product: " + Wide(item.strLabel) + L" " + Wide(item.pEntry->GetUninstallGuid()));
    // Surveyed again: a product removed before may have shared pieces with this one.
    RemovalJob job;
    Survey(item, job, true);
    CUnattendedReport report(m_log);
    RunRemoval(job, report);
    return report.ExitCode();
}

bool CUnattendedRun::Purge()
{
    CProductCatalog fresh;
    fresh.Fill();
    const int seriesInstalled = FindInstalledProducts(fresh).bSeriesInstalled;
    bool purged = true;
    for (const OpenProfile& open : m_profiles) {
        const RemovalKey key{open.hive->Root(), kSeriesSettingsKey, 0, open.profile.m_sid};
        if (seriesInstalled == 1) {
            m_log.Write(L"settings key kept, a product of the series is still installed: " +
                        RegeditName(key));
            continue;
        }
        if (!OffersSettingsRemoval(seriesInstalled, key.root)) {
            m_log.Write(L"settings key absent: " + RegeditName(key));
            continue;
        }
        std::wstring backup, why;
        DWORD error = 0;
        if (!BackUpKeys({key}, L"設定データ " + open.profile.m_sid, backup, why, error)) {
            m_log.Write(WithError(
                L"settings key kept, its registry backup failed, " + why + L": " + RegeditName(key), error));
            purged = false;
            continue;
        }
        m_log.Write(L"registry backup: " + backup);
        if (DeleteRegistryKeyStrictly(key.root, key.path, 0, error) == KeyRemoval::Failed) {
            m_log.Write(WithError(L"settings key could not be deleted: " + RegeditName(key), error));
            purged = false;
            continue;
        }
        m_log.Write(L"settings key deleted: " + RegeditName(key));
    }
    return purged;
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
        // A quiet run shows nothing: as SYSTEM nobody could see or close the box.
        if (line.quiet)
            WriteRedirectedStdOut(win32::ToUtf8(WithCrLf(win32::Widen(CString(kUsageText)))));
        else
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
