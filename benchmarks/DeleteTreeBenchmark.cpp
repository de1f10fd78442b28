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
#include "framework/Wnd.h"
#include "removal/FolderTree.h"
#include "removal/RemovalWorker.h"
#include "ui/DialogReport.h"
#include "ui/SeriesCleanDlg.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr int kFolders = 2000;
constexpr int kFilesPerFolder = 10;
constexpr int kFiles = kFolders * kFilesPerFolder;
const wchar_t kBase[] = L"C:\\sc-benchmark";

// 20 top folders of 100 folders each (with the 20 counted among the 2,000), ten files in every one.
void BuildTree(const std::wstring& root)
{
    CreateDirectoryW(kBase, nullptr);
    CreateDirectoryW(root.c_str(), nullptr);
    int folders = 0;
    const std::string content(512, 'm');
    for (int top = 0; folders < kFolders; ++top) {
        const std::wstring topFolder = root + L"\\area" + std::to_wstring(top);
        CreateDirectoryW(topFolder.c_str(), nullptr);
        ++folders;
        std::wstring current = topFolder;
        for (int sub = 0; sub < 99 && folders < kFolders; ++sub) {
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

} // namespace

int main(int argc, char** argv)
{
    // The figures go to standard error: under Wine the standard output handle has been seen closed
    // by the time the last run of a round ends, and its figures were lost.
    // The dialog's start-up boxes are answered at once; nothing else shows a box here.
    SetMessageBoxHandler([](HWND, const CString&, const CString&, UINT) { return IDOK; });
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
    RemoveDirectoryW(kBase);

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
    return 0;
}
