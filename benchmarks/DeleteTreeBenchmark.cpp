// Measures the deletion engine on a tree of 20,000 files in 2,000 folders, against the platform's
// floor and Wine's own "rd /s /q", on identical copies of the tree in the same prefix. It prints
// files per second for each run and the ratios of their times. The floor, silent, reporting and
// bare runs are repeated in rounds (3, or the number given as the argument) and the best time of
// each is compared.
//
//   floor:     the least any deletion of the tree must do: one listing per folder
//              (FindFirstFileW/FindNextFileW), DeleteFileW per file, RemoveDirectoryW per folder
//   silent:    DeleteFolderTree as the other steps run it
//   reporting: DeleteFolderTree as the application step runs it, reporting to the real main
//              dialog, which runs modally on a thread of its own
//   rd:        cmd /c rd /s /q
//   bare:      the reporting run again, reporting to a window that only copies the status text and
//              draws nothing: the difference to "reporting" is what the dialog's drawing costs
//   removal:   the whole removal of an application folder by the worker, as the delete button
//              starts it (registry steps included), with the real dialog showing its progress
//
// Then scale and depth: silent runs on one empty folder, on the 20,000-file tree, on a tree of the
// same shape ten times as large (200,000 files in 20,000 folders) and on chains of nested one-letter
// folders (500, 1,000 and 1,900 levels, the last about as deep as Wine deletes), the chains also at
// the floor and with every folder only opened and listed once and held open, as the engine must. Each runs
// alone in a child process of this program, which reports its time and its peak working set: the cost per
// file must not grow with the size, and what the engine keeps must not grow with the size or the depth.
#include "Fixtures.h"
#include "framework/Wnd.h"
#include "removal/FolderTree.h"
#include "removal/RemovalWorker.h"
#include "ui/DialogReport.h"
#include "ui/SeriesCleanDlg.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kFolders = 2000;
constexpr int kFilesPerFolder = 10;
constexpr int kFiles = kFolders * kFilesPerFolder;
const wchar_t kBase[] = L"C:\\sc-benchmark";

// 20 top folders of 100 folders each (with the 20 counted among the 2,000), ten files in every one;
// with more folders, more top folders of the same shape.
void BuildTree(const std::wstring& root, int totalFolders = kFolders)
{
    CreateDirectoryW(kBase, nullptr);
    CreateDirectoryW(root.c_str(), nullptr);
    int folders = 0;
    const std::string content(512, 'm');
    for (int top = 0; folders < totalFolders; ++top) {
        const std::wstring topFolder = root + L"\\area" + std::to_wstring(top);
        CreateDirectoryW(topFolder.c_str(), nullptr);
        ++folders;
        std::wstring current = topFolder;
        for (int sub = 0; sub < 99 && folders < totalFolders; ++sub) {
            const std::wstring folder = topFolder + L"\\地図タイル" + std::to_wstring(sub);
            CreateDirectoryW(folder.c_str(), nullptr);
            ++folders;
        }
    }
    // Ten files in every folder.
    WIN32_FIND_DATAW data;
    HANDLE tops = FindFirstFileW((root + L"\\*").c_str(), &data);
    do {
        const std::wstring top = data.cFileName;
        if (top == L"." || top == L"..")
            continue;
        auto fill = [&](const std::wstring& folder) {
            for (int i = 0; i < kFilesPerFolder; ++i) {
                const std::wstring file = folder + L"\\tile" + std::to_wstring(i) + L".dat";
                HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
                DWORD written;
                WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
                CloseHandle(h);
            }
        };
        fill(root + L"\\" + top);
        WIN32_FIND_DATAW subData;
        HANDLE subs = FindFirstFileW((root + L"\\" + top + L"\\*").c_str(), &subData);
        do {
            const std::wstring sub = subData.cFileName;
            if (sub != L"." && sub != L".." && (subData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                fill(root + L"\\" + top + L"\\" + sub);
        } while (FindNextFileW(subs, &subData));
        FindClose(subs);
    } while (FindNextFileW(tops, &data));
    FindClose(tops);
}

CString Narrow(const std::wstring& text)
{
    const int n = WideCharToMultiByte(932, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(932, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    return CString(out.c_str());
}

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// The real main dialog, its job record opened up for the benchmark.
class BenchmarkDialog : public CSeriesCleanDlg
{
public:
    using CSeriesCleanDlg::m_job;
};

double RunReporting(const std::wstring& root, uint64_t& filesDone)
{
    std::atomic<BenchmarkDialog*> dialog{nullptr};
    std::thread ui([&] {
        BenchmarkDialog dlg;
        dialog = &dlg;
        dlg.DoModal();
        dialog = nullptr;
    });
    while (!dialog.load() || !dialog.load()->m_hWnd || !IsWindowVisible(dialog.load()->m_hWnd))
        Sleep(5);
    BenchmarkDialog* dlg = dialog.load();
    HWND hWnd = dlg->m_hWnd;
    PostMessageW(hWnd, UM_PROGRESS_RANGE, kFiles, 2);
    PostMessageW(hWnd, UM_SHOW_PROGRESS, 0, 2);

    filesDone = 0;
    const auto start = std::chrono::steady_clock::now();
    DeleteFolderTree(Narrow(root), hWnd, &filesDone, 10, &dlg->m_job.m_bCancel, &dlg->m_job.m_strStatus,
                     UM_DONE_CANCELLED, UM_PROGRESS_POS, UM_STATUS_TEXT);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);

    PostMessageW(hWnd, WM_COMMAND, IDCANCEL, 0);
    ui.join();
    return seconds;
}

// The worker on a job with only the application folder found, as OnDelete fills it.
double RunWholeRemoval(const std::wstring& root)
{
    std::atomic<BenchmarkDialog*> dialog{nullptr};
    std::atomic<bool> ended{false};
    std::thread ui([&] {
        BenchmarkDialog dlg;
        dialog = &dlg;
        dlg.DoModal();
        ended = true;
        while (dialog.load())
            Sleep(1);
    });
    while (!dialog.load() || !dialog.load()->m_hWnd || !IsWindowVisible(dialog.load()->m_hWnd))
        Sleep(5);
    RemovalJob& job = dialog.load()->m_job;
    job.m_hDlg = dialog.load()->m_hWnd;
    job.m_nReportInterval = 10;
    job.m_bFound[SLOT_APP_FOLDER] = TRUE;
    job.m_strTarget[SLOT_APP_FOLDER] = Narrow(root);
    int folders = 0;
    CountFilesInTree(job.m_strTarget[SLOT_APP_FOLDER], &job.m_nTargetFiles[SLOT_APP_FOLDER], &folders);
    job.m_strMachineKey = "Software\\SeriesCleanBenchmark\\Machine";
    job.m_strUninstallKey = "Software\\SeriesCleanBenchmark\\Uninstall";
    job.m_strUserKey = "Software\\SeriesCleanBenchmark\\User";

    // From the start of the worker until the dialog has shown the result and closed.
    const auto start = std::chrono::steady_clock::now();
    HANDLE worker = CreateThread(nullptr, 0, &RemovalThreadProc, &job, 0, nullptr);
    while (!ended.load())
        Sleep(1);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    dialog = nullptr;
    ui.join();
    return seconds;
}

CString* g_bareStatus = nullptr;

LRESULT CALLBACK BareWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    static CString copied;
    if (message == UM_STATUS_TEXT) {
        copied = *g_bareStatus;
        return 0;
    }
    if (message == UM_PROGRESS_POS)
        return 0;
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

double RunBare(const std::wstring& root)
{
    CString status;
    g_bareStatus = &status;
    std::atomic<HWND> window{nullptr};
    std::thread ui([&] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = BareWindowProc;
        wc.lpszClassName = L"SeriesCleanBenchmarkBare";
        RegisterClassW(&wc);
        window = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
            DispatchMessageW(&msg);
    });
    while (!window.load())
        Sleep(5);
    uint64_t filesDone = 0;
    CancelFlag cancel{0};
    const auto start = std::chrono::steady_clock::now();
    DeleteFolderTree(Narrow(root), window.load(), &filesDone, 10, &cancel, &status, UM_DONE_CANCELLED,
                     UM_PROGRESS_POS, UM_STATUS_TEXT);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    PostMessageW(window.load(), WM_QUIT, 0, 0);
    ui.join();
    return seconds;
}

void DeleteAtTheFloor(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteAtTheFloor(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

double RunFloor(const std::wstring& root)
{
    const auto start = std::chrono::steady_clock::now();
    DeleteAtTheFloor(root);
    return Seconds(std::chrono::steady_clock::now() - start);
}

double RunSilent(const std::wstring& root)
{
    CString status;
    const auto start = std::chrono::steady_clock::now();
    DeleteFolderTree(Narrow(root), nullptr, nullptr, 0, nullptr, &status, 0, 0, 0);
    return Seconds(std::chrono::steady_clock::now() - start);
}

double RunRd(const std::wstring& root)
{
    std::wstring command = L"cmd.exe /c rd /s /q \"" + root + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const auto start = std::chrono::steady_clock::now();
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return -1;
    WaitForSingleObject(info.hProcess, INFINITE);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return seconds;
}

// Lets the system write back what building the trees left dirty, so that no run pays for it:
// Wine starts the Unix "sync" given by its Unix path.
void SettleDisk()
{
    std::wstring command = L"/bin/sync";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
        WaitForSingleObject(info.hProcess, 60000);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    Sleep(3000);
}

bool Gone(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// One round: the floor, silent, reporting and bare runs, each on a fresh tree after the disk has
// settled. The best of several rounds is what the machine can do; on a machine that other work
// shares, a single round can be off by a factor of two.
struct Round
{
    double floor;
    double silent;
    double reporting;
    double bare;
};

Round RunRound(int number, uint64_t& counted)
{
    const std::wstring base = std::wstring(kBase) + L"\\" + std::to_wstring(number);
    const std::wstring floor = base + L"-floor";
    const std::wstring silent = base + L"-silent";
    const std::wstring reporting = base + L"-reporting";
    const std::wstring bare = base + L"-bare";
    for (const std::wstring& root : {floor, silent, reporting, bare})
        BuildTree(root);
    Round round = {};
    SettleDisk();
    round.floor = RunFloor(floor);
    SettleDisk();
    round.silent = RunSilent(silent);
    SettleDisk();
    round.reporting = RunReporting(reporting, counted);
    SettleDisk();
    round.bare = RunBare(bare);
    for (const std::wstring& root : {floor, silent, reporting, bare}) {
        if (!Gone(root))
            std::fprintf(stderr, "round %d: %ls NOT fully deleted\n", number, root.c_str());
    }
    std::fprintf(stderr, "round %d: floor %.2f s, silent %.2f s, reporting %.2f s, bare %.2f s\n", number,
                 round.floor, round.silent, round.reporting, round.bare);
    return round;
}

// The child's part: one run on the tree at root, by the engine (a silent run) or at the floor, its
// time, the process's peak working set and its working set when the run began written to resultFile
// as "seconds peak-bytes gone start-bytes".
int DeleteInChild(const std::wstring& how, const std::wstring& root, const std::wstring& resultFile)
{
    struct : CTreeCallbacks
    {
        int OnLockedFile(const LockedEntry&) override { return IDABORT; }
    } callbacks;
    PROCESS_MEMORY_COUNTERS before = {};
    before.cb = sizeof(before);
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before)))
        return 2;
    bool deleted = true;
    std::vector<HANDLE> held;
    const auto start = std::chrono::steady_clock::now();
    if (how == L"engine") {
        const TreeOutcome outcome = DeleteTree(Narrow(root), TreeRun(), callbacks);
        deleted = outcome.finished && outcome.left == 0;
    } else if (how == L"floor") {
        // The floor recurses with a listing open at every level, as the simplest deleter does.
        DeleteAtTheFloor(L"\\\\?\\" + root);
    } else {
        // What the engine cannot do without, down a chain: every folder from the top open and
        // listed once. Nothing is deleted.
        std::vector<unsigned char> listing(64 * 1024);
        for (std::wstring folder = L"\\\\?\\" + root;; folder += L"\\a") {
            const HANDLE handle = CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
            if (handle == INVALID_HANDLE_VALUE)
                break;
            held.push_back(handle);
            GetFileInformationByHandleEx(handle, FileIdBothDirectoryRestartInfo, listing.data(),
                                         static_cast<DWORD>(listing.size()));
        }
        deleted = false;
    }
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        return 2;
    for (const HANDLE handle : held)
        CloseHandle(handle);
    // An open-and-list run counts as complete when it went down more than one level.
    const bool gone = how == L"held" ? held.size() > 1 : deleted && Gone(root);
    std::ofstream(resultFile.c_str()) << seconds << ' ' << counters.PeakWorkingSetSize << ' '
                                      << (gone ? 1 : 0) << ' ' << before.WorkingSetSize << '\n';
    return 0;
}

struct ChildRun
{
    double seconds = -1;
    double peakMiB = -1;
    double startMiB = -1; // the working set when the run began
    bool gone = false;
};

ChildRun RunInChild(const wchar_t* how, const std::wstring& root)
{
    ChildRun run;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring resultFile = std::wstring(kBase) + L"\\result.txt";
    DeleteFileW(resultFile.c_str());
    DWORD exitCode = 1;
    if (!fixture::RunAndWait(L"\"" + std::wstring(self) + L"\" --delete " + how + L" \"" + root + L"\" \"" +
                                 resultFile + L"\"",
                             exitCode, 60 * 60 * 1000) ||
        exitCode != 0)
        return run;
    std::ifstream result(resultFile.c_str());
    unsigned long long peak = 0;
    unsigned long long startBytes = 0;
    int gone = 0;
    if (result >> run.seconds >> peak >> gone >> startBytes) {
        run.peakMiB = static_cast<double>(peak) / (1024.0 * 1024.0);
        run.startMiB = static_cast<double>(startBytes) / (1024.0 * 1024.0);
        run.gone = gone == 1;
    }
    DeleteFileW(resultFile.c_str());
    return run;
}

void PrintChildRun(const std::string& what, const ChildRun& run, double units, const char* unit)
{
    if (run.seconds < 0) {
        std::fprintf(stderr, "%-36s the child run failed\n", what.c_str());
        return;
    }
    std::fprintf(stderr, "%-36s %8.2f s %6.1f MiB peak (%4.1f at the start)", what.c_str(), run.seconds,
                 run.peakMiB, run.startMiB);
    if (units > 0)
        std::fprintf(stderr, " %9.2f ms per %s", 1000.0 * run.seconds / units, unit);
    std::fprintf(stderr, "%s\n", run.gone ? "" : "  (NOT fully deleted)");
}

// The engine at scale and at depth. Every run deletes in a process of its own, so that its peak
// working set is the run's alone.
void RunScaleAndDepth()
{
    std::fprintf(stderr, "scale and depth, each run in a process of its own (peak: its peak working set):\n");
    const std::wstring empty = std::wstring(kBase) + L"\\empty";
    CreateDirectoryW(empty.c_str(), nullptr);
    const ChildRun emptyRun = RunInChild(L"engine", empty);
    PrintChildRun("engine, one empty folder", emptyRun, 0, "");

    ChildRun trees[2];
    const int sizes[2] = {kFolders, 10 * kFolders};
    for (int i = 0; i < 2; ++i) {
        const std::wstring tree = std::wstring(kBase) + L"\\tree" + std::to_wstring(i);
        BuildTree(tree, sizes[i]);
        SettleDisk();
        trees[i] = RunInChild(L"engine", tree);
        const int files = sizes[i] * kFilesPerFolder;
        PrintChildRun("engine, " + std::to_string(files) + " files in " + std::to_string(sizes[i]) +
                          " folders",
                      trees[i], files / 1000.0, "1000 files");
    }

    double chainGrowth[3] = {-1, -1, -1};
    for (const int levels : {500, 1000, 1900}) {
        const std::wstring chainRoot = std::wstring(kBase) + L"\\chain" + std::to_wstring(levels);
        for (int how = 0; how < 3; ++how) {
            const wchar_t* const hows[3] = {L"engine", L"floor", L"held"};
            const char* const titles[3] = {"engine", "floor", "open and list only"};
            fixture::FolderChain chain(chainRoot, levels);
            if (!chain.Made()) {
                std::fprintf(stderr, "a chain of %d levels could not be made\n", levels);
                break;
            }
            SettleDisk();
            const ChildRun run = RunInChild(hows[how], chainRoot + L"\\a");
            PrintChildRun(std::string(titles[how]) + ", chain of " + std::to_string(levels) + " levels", run,
                          levels, "level");
            if (levels == 1900 && run.peakMiB > 0 && emptyRun.peakMiB > 0)
                chainGrowth[how] = run.peakMiB - emptyRun.peakMiB;
        }
    }

    const int perThousand[2] = {kFiles / 1000, 10 * kFiles / 1000};
    if (trees[0].seconds > 0 && trees[1].seconds > 0) {
        std::fprintf(stderr, "cost per file, 200,000 / 20,000:      %.2f (goal <= 1.1)\n",
                     (trees[1].seconds / perThousand[1]) / (trees[0].seconds / perThousand[0]));
        std::fprintf(stderr, "peak working set, 200,000 - 20,000:   %.1f MiB (goal < 4 MB)\n",
                     trees[1].peakMiB - trees[0].peakMiB);
    }
    if (chainGrowth[0] >= 0 && chainGrowth[1] >= 0 && chainGrowth[2] >= 0)
        std::fprintf(stderr,
                     "peak working set, 1,900 levels - one empty folder: engine %.1f MiB, floor %.1f MiB, "
                     "open and list only %.1f MiB\n",
                     chainGrowth[0], chainGrowth[1], chainGrowth[2]);
}

} // namespace

int main(int argc, char** argv)
{
    // The figures go to standard error: under Wine the standard output handle has been seen closed
    // by the time the last run of a round ends, and its figures were lost.
    // The dialog's start-up boxes are answered at once; nothing else shows a box here.
    SetMessageBoxHandler([](HWND, const CString&, const CString&, UINT) { return IDOK; });
    if (argc == 5 && std::string(argv[1]) == "--delete") {
        int count = 0;
        LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
        return count == 5 ? DeleteInChild(wide[2], wide[3], wide[4]) : 2;
    }
    if (argc > 1 && std::string(argv[1]) == "--scale") {
        CreateDirectoryW(kBase, nullptr);
        RunScaleAndDepth();
        RemoveDirectoryW(kBase);
        return 0;
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::fprintf(stderr, "%d rounds on trees of %d files in %d folders\n", rounds, kFiles, kFolders);

    uint64_t counted = 0;
    Round best = RunRound(1, counted);
    for (int number = 2; number <= rounds; ++number) {
        const Round round = RunRound(number, counted);
        best.floor = std::min(best.floor, round.floor);
        best.silent = std::min(best.silent, round.silent);
        best.reporting = std::min(best.reporting, round.reporting);
        best.bare = std::min(best.bare, round.bare);
    }

    const std::wstring rd = std::wstring(kBase) + L"\\rd";
    const std::wstring removal = std::wstring(kBase) + L"\\removal";
    BuildTree(rd);
    BuildTree(removal);
    SettleDisk();
    const double tRd = RunRd(rd);
    SettleDisk();
    const double tRemoval = RunWholeRemoval(removal);

    auto print = [](const char* what, double seconds, bool gone) {
        std::fprintf(stderr, "%-34s %8.2f s %10.0f files/s%s\n", what, seconds, kFiles / seconds,
                     gone ? "" : "  (tree NOT fully deleted)");
    };
    std::fprintf(stderr, "best of %d rounds:\n", rounds);
    print("floor (FindFirst/DeleteFile/RD)", best.floor, true);
    print("DeleteFolderTree, silent run", best.silent, true);
    print("DeleteFolderTree, reporting run", best.reporting, true);
    print("reporting run to a bare window", best.bare, true);
    std::fprintf(stderr, "once:\n");
    print("cmd /c rd /s /q", tRd, Gone(rd));
    print("whole removal by the worker", tRemoval, Gone(removal));
    std::fprintf(stderr, "files counted by the last reporting run: %llu\n",
                 static_cast<unsigned long long>(counted));
    std::fprintf(stderr, "time ratio silent / floor:     %.2f (goal <= 1.4)\n", best.silent / best.floor);
    std::fprintf(stderr, "time ratio reporting / silent: %.2f (goal <= 1.3)\n", best.reporting / best.silent);
    std::fprintf(stderr, "time ratio bare / silent:      %.2f\n", best.bare / best.silent);
    std::fprintf(stderr, "time ratio reporting / rd:     %.2f\n", best.reporting / tRd);

    CreateDirectoryW(kBase, nullptr);
    RunScaleAndDepth();
    RemoveDirectoryW(kBase);
    return 0;
}
