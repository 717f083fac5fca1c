// Under Wine: the running process scan over a fake WMI that hands out 2,000
// process objects pointing at real PE files (the prefix's system32 DLLs),
// with the strict check before each version.dll read as the product runs it,
// against a bare loop of the same fake fetches and the same version.dll reads
// without the check, run alternately in one process. Prints the ratio
// (target at most 1.1); the time per file of the check alone, of the
// portable reader and of version.dll; and for the record the time of the
// whole scan against the real WMI.
//
// Then the same with no path from WMI, as under Wine, so that every process
// takes the fallback (OpenProcess and QueryFullProcessImageNameA on a real
// process id) before its version reads; and for the record the time of the
// real installed-updates query.
#include <windows.h>
#include <objbase.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/ansi_text.h"
#include "processes/VerInfo.h"
#include "processes/hotfix_scan.h"
#include "processes/process_image.h"
#include "processes/process_scan.h"
#include "processes/version_check.h"
#include "processes/wmi_error.h"
#include "tests/processes/fake_wmi.h"

namespace {

using namespace corvanta;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kProcesses = 2000;
constexpr int kRounds = 7;

double Millis(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

class NoCursor : public CursorService {
public:
    void ShowBusyCursor() override {}
    void ShowDefaultCursor() override {}
};

std::vector<std::string> SystemDlls() {
    char dir[MAX_PATH];
    const std::string system(dir, GetSystemDirectoryA(dir, MAX_PATH));
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((system + "\\*.dll").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return files;
    do {
        files.push_back(system + "\\" + found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(files.begin(), files.end());
    return files;
}

// The same WMI operations and version reads as the scan, with no table, no
// cursor, no catch levels and no check: for each object its caption, the
// path that path_of finds (none skips the object's version reads), and that
// file's three version strings.
template <typename PathOf>
std::size_t BareQueryLoop(test::FakeWmi& wmi, std::vector<std::string>& out, PathOf path_of) {
    out.clear();
    const auto locator = wmi.CreateLocator();
    const auto services = wmi.ConnectServer(*locator, u"", u"root\\cimv2", u"", u"", u"", u"", 0);
    const auto result = wmi.ExecQuery(*services, u"SELECT * FROM Win32_Process", u"WQL", 0);
    const auto enumerator = wmi.Enumerate(*result);
    for (;;) {
        std::unique_ptr<WmiFetchedValue> fetched;
        if (wmi.Fetch(*enumerator, fetched) != 0) break;
        const auto object = wmi.TakeAsObject(*fetched);
        out.push_back(WideToAnsi(wmi.ReadProperty(*object, u"Caption").text));
        const std::optional<std::string> path = path_of(*object);
        if (!path) continue;
        out.push_back(*path);
        try {
            const TVerInfoRes reader(*path, UncheckedSystemVersionLibrary());
            out.push_back(reader.GetVersionString(VersionKey::kFileDescription));
            out.push_back(reader.GetVersionString(VersionKey::kCompanyName));
            out.push_back(reader.GetVersionString(VersionKey::kProductName));
        } catch (const Exception&) {
        }
    }
    return out.size();
}

// The path as WMI gives it.
std::size_t BareLoop(test::FakeWmi& wmi, std::vector<std::string>& out) {
    return BareQueryLoop(wmi, out, [&](WmiObject& object) -> std::optional<std::string> {
        return WideToAnsi(wmi.ReadProperty(object, u"ExecutablePath").text);
    });
}

// Median time per file, in microseconds, of read(file) over all files.
template <typename Read>
double MicrosPerFile(const std::vector<std::string>& files, Read read) {
    std::vector<double> rounds;
    for (int round = 0; round < 5; ++round) {
        const Clock::time_point start = Clock::now();
        for (const std::string& file : files) read(file);
        rounds.push_back(Millis(start) * 1000.0 / static_cast<double>(files.size()));
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

void Construct(const std::string& file, const VersionLibrary& library) {
    try {
        const TVerInfoRes reader(file, library);
        (void)reader.GetVersionString(VersionKey::kFileDescription);
    } catch (const Exception&) {
    }
}

// --- Every process through the fallback -----------------------------------

// The ids of the processes running now: real ones, so that Windows does the
// real work of opening each and naming its image.
std::vector<DWORD> RunningProcessIds() {
    std::vector<DWORD> ids;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

// The same fetches, the same failing path reads, the same two calls on each
// process id and the same version reads as the scan's fallback, bare.
std::size_t BareFallbackLoop(test::FakeWmi& wmi, std::vector<std::string>& out) {
    return BareQueryLoop(wmi, out, [&](WmiObject& object) -> std::optional<std::string> {
        try {
            wmi.ReadProperty(object, u"ExecutablePath");
        } catch (const EWmiError&) {
        }
        DWORD id = 0;
        for (const char16_t c : wmi.ReadProperty(object, u"ProcessId").text) id = id * 10 + (c - u'0');
        const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
        if (!process) return std::nullopt;
        char image[MAX_PATH + 1];
        DWORD length = sizeof image;
        const BOOL named = QueryFullProcessImageNameA(process, 0, image, &length);
        CloseHandle(process);
        if (!named) return std::nullopt;
        return std::string(image, length);
    });
}

void BenchFallback(CursorService& cursor) {
    const std::vector<DWORD> ids = RunningProcessIds();
    if (ids.empty()) {
        std::printf("fallback: no running processes found\n");
        return;
    }
    test::FakeWmi wmi;
    wmi.logging = false;
    for (std::size_t i = 0; i < kProcesses; ++i) {
        const std::string caption = "process" + std::to_string(i) + ".exe";
        wmi.processes.push_back(
            test::FakeProcess::WithId(std::u16string(caption.begin(), caption.end()), ids[i % ids.size()]));
    }
    InventoryTables tables;
    std::vector<std::string> sink;
    // Both sides read versions the same way, unchecked, so this measures the
    // fallback alone; the check's cost is the first measurement's.
    const VersionLibrary& versions = UncheckedSystemVersionLibrary();
    RefreshProcesses(tables, wmi, cursor, versions, SystemProcessImage());
    BareFallbackLoop(wmi, sink);

    std::vector<double> scan, bare;
    for (int round = 0; round < kRounds; ++round) {
        Clock::time_point start = Clock::now();
        RefreshProcesses(tables, wmi, cursor, versions, SystemProcessImage());
        scan.push_back(Millis(start));
        start = Clock::now();
        BareFallbackLoop(wmi, sink);
        bare.push_back(Millis(start));
    }
    std::sort(scan.begin(), scan.end());
    std::sort(bare.begin(), bare.end());
    const double scan_ms = scan[kRounds / 2], bare_ms = bare[kRounds / 2];
    std::size_t with_file = 0;
    for (std::size_t r = 0; r < tables.tblProcesses.RecordCount(); ++r)
        if (!tables.tblProcesses.Cell(r, 1).empty()) ++with_file;

    std::printf(
        "process scan, fallback for every process: %zu fake processes over %zu running process ids "
        "(%zu rows with a file)\n",
        tables.tblProcesses.RecordCount(), ids.size(), with_file);
    std::printf("  RefreshProcesses: %.1f ms   bare loop: %.1f ms   (medians of %d rounds)\n", scan_ms, bare_ms,
                kRounds);
    std::printf("  ratio scan/bare: %.3f (target <= 1.1)%s\n", scan_ms / bare_ms,
                scan_ms / bare_ms <= 1.1 ? "" : "  MISSED");
}

// For the record: the installed-updates query against the real WMI, each run
// on a fresh hot-fix table.
void TimeRealUpdateQuery(CursorService& cursor) {
    const auto real = CreateSystemWmiAccess();
    std::vector<double> times;
    std::size_t rows = 0;
    for (int round = 0; round < 6; ++round) {
        InventoryTables tables;
        const Clock::time_point start = Clock::now();
        try {
            AddInstalledUpdates(tables, *real, cursor);
        } catch (const Exception& e) {
            std::printf("installed updates: the query failed: %s\n", e.what());
            return;
        }
        if (round > 0) times.push_back(Millis(start));  // the first warms WMI up
        rows = tables.tblHotFix.RecordCount();
    }
    std::sort(times.begin(), times.end());
    std::printf("installed updates, real WMI: %zu rows in %.1f ms (median of %zu)\n", rows, times[times.size() / 2],
                times.size());
}

}  // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::fprintf(stderr, "COM could not be initialised\n");
        return 1;
    }
    const std::vector<std::string> dlls = SystemDlls();
    if (dlls.empty()) {
        std::fprintf(stderr, "no DLLs in the system directory\n");
        return 1;
    }
    test::FakeWmi wmi;
    wmi.logging = false;
    for (std::size_t i = 0; i < kProcesses; ++i) {
        const std::string& path = dlls[i % dlls.size()];
        const std::string caption = "process" + std::to_string(i) + ".exe";
        wmi.processes.push_back(test::FakeProcess::Of(std::u16string(caption.begin(), caption.end()),
                                                      std::u16string(path.begin(), path.end())));
    }

    InventoryTables tables;
    NoCursor cursor;
    std::vector<std::string> sink;
    // Warm the file cache and the version library for both.
    RefreshProcesses(tables, wmi, cursor, SystemVersionLibrary(), SystemProcessImage());
    BareLoop(wmi, sink);

    std::vector<double> scan, bare;
    for (int round = 0; round < kRounds; ++round) {
        Clock::time_point start = Clock::now();
        RefreshProcesses(tables, wmi, cursor, SystemVersionLibrary(), SystemProcessImage());
        scan.push_back(Millis(start));
        start = Clock::now();
        BareLoop(wmi, sink);
        bare.push_back(Millis(start));
    }
    std::sort(scan.begin(), scan.end());
    std::sort(bare.begin(), bare.end());
    const double scan_ms = scan[kRounds / 2], bare_ms = bare[kRounds / 2];
    std::size_t with_description = 0;
    for (std::size_t r = 0; r < tables.tblProcesses.RecordCount(); ++r)
        if (!tables.tblProcesses.Cell(r, 2).empty()) ++with_description;

    std::printf("process scan, %zu fake processes over %zu real PE files (%zu rows with a description)\n",
                tables.tblProcesses.RecordCount(), dlls.size(), with_description);
    std::printf("  RefreshProcesses: %.1f ms   bare loop: %.1f ms   (medians of %d rounds)\n", scan_ms, bare_ms,
                kRounds);
    std::printf("  ratio scan/bare: %.3f (target <= 1.1)%s\n", scan_ms / bare_ms,
                scan_ms / bare_ms <= 1.1 ? "" : "  MISSED");

    std::size_t turned_away = 0;
    for (const std::string& file : dlls) turned_away += CheckVersionFile(file).Rejects() ? 1 : 0;
    const double check_us = MicrosPerFile(dlls, [](const std::string& file) { (void)CheckVersionFile(file); });
    const double portable_us =
        MicrosPerFile(dlls, [](const std::string& file) { Construct(file, PortableVersionLibrary()); });
    const double system_us =
        MicrosPerFile(dlls, [](const std::string& file) { Construct(file, UncheckedSystemVersionLibrary()); });
    std::printf(
        "  per file (%zu files, %zu turned away): check %.1f us   portable reader %.1f us   "
        "version.dll %.1f us   check/version.dll %.3f\n",
        dlls.size(), turned_away, check_us, portable_us, system_us, check_us / system_us);

    // For the record: the whole scan against the real WMI under Wine.
    const auto real = CreateSystemWmiAccess();
    RefreshProcesses(tables, *real, cursor, SystemVersionLibrary(), SystemProcessImage());
    std::vector<double> real_ms;
    for (int round = 0; round < 5; ++round) {
        const Clock::time_point start = Clock::now();
        RefreshProcesses(tables, *real, cursor, SystemVersionLibrary(), SystemProcessImage());
        real_ms.push_back(Millis(start));
    }
    std::sort(real_ms.begin(), real_ms.end());
    std::printf("  real WMI under Wine: %zu processes in %.1f ms (median of 5)\n", tables.tblProcesses.RecordCount(),
                real_ms[2]);

    BenchFallback(cursor);
    TimeRealUpdateQuery(cursor);
    CoUninitialize();
    return 0;
}
