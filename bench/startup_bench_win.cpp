// Under Wine, with 5,000 entries in the uninstall key: how long corvanta.exe
// takes from its start until its main window is on the screen (c), against
// the sum of what it cannot avoid: (a) a minimal Win32 program that shows one
// window, and (b) the uninstall-key scan alone on the same entries.
// Rounds are interleaved and medians compared; the ratio c / (a + b) is the
// figure of merit (target: at most 1.2). Also prints corvanta.exe's peak
// working set with those entries.
//
//   startup_bench CORVANTA_EXE MINIMAL_EXE   (Windows paths)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "inventory/inventory_tables.h"
#include "software/registry_api.h"
#include "software/uninstall_scan.h"

namespace {

constexpr int kEntries = 5000;
constexpr int kRounds = 7;
constexpr char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kEntryPrefix[] = "CorvantaStartupBench-";
constexpr char kMainTitle[] = "Dravenholt Corvanta";
constexpr char kMinimalTitle[] = "Minimal";
// Native installers write the 64-bit view; the scan reads both.
constexpr REGSAM kView = KEY_WOW64_64KEY;

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string EntryName(int i) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%05d", kEntryPrefix, i);
    return name;
}

// The bench's entries live beside whatever the prefix has; they are removed
// before (left by a killed run) and after.
void RemoveEntries() {
    HKEY root = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_ALL_ACCESS | kView, &root) != ERROR_SUCCESS) return;
    for (int i = 0; i < kEntries; ++i) RegDeleteKeyExA(root, EntryName(i).c_str(), kView, 0);
    RegCloseKey(root);
}

bool AddEntries() {
    HKEY root = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr, &root,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (int i = 0; i < kEntries && ok; ++i) {
        HKEY key = nullptr;
        ok = RegCreateKeyExA(root, EntryName(i).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr, &key,
                             nullptr) == ERROR_SUCCESS;
        if (!ok) break;
        const std::string name = "Bench program " + std::to_string(i);
        const std::string version = std::to_string(i % 10) + ".0." + std::to_string(i);
        RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                       static_cast<DWORD>(name.size() + 1));
        RegSetValueExA(key, "DisplayVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                       static_cast<DWORD>(version.size() + 1));
        RegCloseKey(key);
    }
    RegCloseKey(root);
    return ok;
}

struct Started {
    PROCESS_INFORMATION pi{};
    double at = 0;
};

bool Start(const std::string& exe, Started& out, const std::string& arguments = "") {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string commandLine = "\"" + exe + "\"" + arguments;
    out.at = NowMs();
    return CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &out.pi) != 0;
}

void Finish(Started& s) {
    if (WaitForSingleObject(s.pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(s.pi.hProcess, 1);
    CloseHandle(s.pi.hThread);
    CloseHandle(s.pi.hProcess);
}

// (b) the scan alone, in this process, on the real uninstall key.
double TimeScan(std::size_t& rows) {
    corvanta::InventoryTables tables;
    tables.kbmMemTable1.Open();
    const auto registry = corvanta::CreateSystemRegistryApi();
    const double start = NowMs();
    corvanta::ScanUninstallKey(tables, *registry);
    const double elapsed = NowMs() - start;
    rows = tables.kbmMemTable1.RecordCount();
    return elapsed;
}

// (b') the same scan as the first work of a fresh process, as corvanta.exe
// does it: this program started again with --scan-once, which reports the
// scan's milliseconds as its exit code.
double TimeScanInFreshProcess(const std::string& self) {
    Started s;
    if (!Start(self, s, " --scan-once")) return -1;
    WaitForSingleObject(s.pi.hProcess, 120000);
    DWORD code = 0;
    GetExitCodeProcess(s.pi.hProcess, &code);
    Finish(s);
    return static_cast<double>(code);
}

struct FindWindowOf {
    DWORD pid;
    const char* title;
    HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND hwnd, LPARAM lParam) {
    auto* f = reinterpret_cast<FindWindowOf*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != f->pid || !IsWindowVisible(hwnd)) return TRUE;
    char title[64] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    if (std::string(title) != f->title) return TRUE;
    f->found = hwnd;
    return FALSE;
}

// From CreateProcess until the program's window titled `title` is visible,
// seen the same way for both programs; then the window is closed. Also the
// program's peak working set by then.
double TimeUntilVisible(const std::string& exe, const char* title, SIZE_T& peak) {
    Started s;
    if (!Start(exe, s)) return -1;
    FindWindowOf f{s.pi.dwProcessId, title, nullptr};
    double elapsed = -1;
    while (WaitForSingleObject(s.pi.hProcess, 0) == WAIT_TIMEOUT && NowMs() - s.at < 120000) {
        EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&f));
        if (f.found) {
            elapsed = NowMs() - s.at;
            break;
        }
        Sleep(2);
    }
    if (f.found) {
        Sleep(300);  // the first turns of the message loop, as a user would see them
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (GetProcessMemoryInfo(s.pi.hProcess, &counters, sizeof counters)) peak = counters.PeakWorkingSetSize;
        PostMessageA(f.found, WM_CLOSE, 0, 0);
    }
    Finish(s);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--scan-once") {
        std::size_t rows = 0;
        return static_cast<int>(TimeScan(rows) + 0.5);
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: startup_bench CORVANTA_EXE MINIMAL_EXE\n");
        return 2;
    }
    const std::string corvanta = argv[1];
    const std::string minimal = argv[2];

    RemoveEntries();
    if (!AddEntries()) {
        std::fprintf(stderr, "startup_bench: cannot write the uninstall key\n");
        RemoveEntries();
        return 1;
    }

    // One warm-up of each, so the first round does not pay for cold caches.
    std::size_t rows = 0;
    SIZE_T peak = 0;
    TimeUntilVisible(minimal, kMinimalTitle, peak);
    TimeScan(rows);
    TimeUntilVisible(corvanta, kMainTitle, peak);

    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);

    std::vector<double> a, b, fresh, c;
    SIZE_T maxPeak = 0;
    bool ok = true;
    for (int round = 0; round < kRounds && ok; ++round) {
        SIZE_T ignored = 0;
        a.push_back(TimeUntilVisible(minimal, kMinimalTitle, ignored));
        b.push_back(TimeScan(rows));
        fresh.push_back(TimeScanInFreshProcess(self));
        c.push_back(TimeUntilVisible(corvanta, kMainTitle, peak));
        maxPeak = std::max(maxPeak, peak);
        ok = a.back() >= 0 && c.back() >= 0 && rows >= static_cast<std::size_t>(kEntries);
    }
    RemoveEntries();
    if (!ok) {
        std::fprintf(stderr, "startup_bench: a run failed (rows scanned: %zu)\n", rows);
        return 1;
    }

    const double ma = Median(a), mb = Median(b), mc = Median(c);
    const double fa = *std::min_element(a.begin(), a.end());
    const double fb = *std::min_element(b.begin(), b.end());
    const double fc = *std::min_element(c.begin(), c.end());
    std::printf("startup_bench: %d uninstall entries, %d rounds side by side (median / fastest)\n", kEntries, kRounds);
    std::printf("  (a) minimal Win32 program, start until its window is visible:  %8.1f / %8.1f ms\n", ma, fa);
    std::printf("  (b) uninstall-key scan alone (%zu rows):                    %8.1f / %8.1f ms\n", rows, mb, fb);
    std::printf("  (b') for comparison, the same scan as a fresh process's first work: %8.1f ms (median)\n",
                Median(fresh));
    std::printf("  (c) corvanta.exe, start until its main window is visible:   %8.1f / %8.1f ms\n", mc, fc);
    std::printf("  c / (a + b) = %.2f on medians, %.2f on the fastest (target: at most 1.2)\n", mc / (ma + mb),
                fc / (fa + fb));
    std::printf("  corvanta.exe peak working set with these entries: %.1f MiB\n",
                static_cast<double>(maxPeak) / (1024.0 * 1024.0));
    return 0;
}
