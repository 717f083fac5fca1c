// Under Wine: the uninstall-key scan over 5,000 subkeys, half of them in the
// current user's key, against a bare loop of the same registry calls on the
// same keys (per key: open it, count and list its subkeys by their UTF-16
// names, then per subkey: open it relative to the key, the two value reads as
// size and data, close), over both views of the machine's key and the
// current user's key, as the scan reads them.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "software/uninstall_scan.h"
#include "tests/software/redirected_registry_api_win.h"
#include "tests/support/test_registry_win.h"

namespace {

using Clock = std::chrono::steady_clock;
const char kRoot[] = "Software\\CorvantaBench\\Uninstall";

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string ReadValue(HKEY key, const char* name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0) return {};
    std::string data(size, '\0');
    RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    return data;
}

std::size_t BareLoop(HKEY hive, REGSAM access) {
    std::size_t found = 0;
    HKEY root = nullptr;
    if (RegOpenKeyExA(hive, kRoot, 0, access, &root) != ERROR_SUCCESS) return 0;
    DWORD count = 0, longest = 0;
    RegQueryInfoKeyA(root, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    std::vector<std::wstring> names;
    std::vector<wchar_t> buffer(std::max<DWORD>(longest, 255) + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (RegEnumKeyExW(root, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            names.emplace_back(buffer.data(), length);
    }
    for (const std::wstring& name : names) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, name.c_str(), 0, access, &key) != ERROR_SUCCESS) continue;
        found += !ReadValue(key, "DisplayName").empty();
        ReadValue(key, "DisplayVersion");
        RegCloseKey(key);
    }
    RegCloseKey(root);
    return found;
}

std::size_t BareLoops() {
    return BareLoop(HKEY_LOCAL_MACHINE, KEY_READ | KEY_WOW64_64KEY) +
           BareLoop(HKEY_LOCAL_MACHINE, KEY_READ | KEY_WOW64_32KEY) + BareLoop(HKEY_CURRENT_USER, KEY_READ);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main() {
    using corvanta::test::RegView;
    using corvanta::test::TestKeyTree;
    constexpr int kEntries = 5000;
    constexpr int kRounds = 7;
    TestKeyTree tree64(kRoot, RegView::k64);
    TestKeyTree tree32(kRoot, RegView::k32);
    TestKeyTree tree_user(kRoot, RegView::kCurrentUser);
    for (int i = 0; i < kEntries; ++i) {
        const TestKeyTree& tree = i % 2 ? tree_user : tree64;
        const std::string subkey = "{" + std::to_string(100000 + i * 7) + "-CORVANTA-BENCH}";
        tree.SetString(subkey, "DisplayName", "Bench program " + std::to_string(i));
        tree.SetString(subkey, "DisplayVersion", std::to_string(i % 10) + ".0." + std::to_string(i));
        tree.SetString(subkey, "Publisher", "Dravenholt");
    }
    corvanta::test::RedirectedRegistryApi registry(kRoot);

    // Rounds interleave the two so that both see the same state of the
    // registry's caches and of the machine.
    std::vector<double> scan_times, bare_times;
    for (int round = 0; round < kRounds; ++round) {
        corvanta::InventoryTables tables;
        tables.kbmMemTable1.Open();
        auto start = Clock::now();
        corvanta::ScanUninstallKey(tables, registry);
        scan_times.push_back(Seconds(start));
        if (tables.kbmMemTable1.RecordCount() != kEntries) {
            std::printf("scan found %zu rows\n", tables.kbmMemTable1.RecordCount());
            return 1;
        }
        start = Clock::now();
        const std::size_t bare = BareLoops();
        bare_times.push_back(Seconds(start));
        if (bare != kEntries) {
            std::printf("bare loop found %zu entries\n", bare);
            return 1;
        }
    }
    const double scan = Median(scan_times), bare = Median(bare_times);
    std::printf(
        "uninstall-key scan over %d subkeys, %d of them per user (median of %d interleaved rounds, under Wine)\n",
        kEntries, kEntries / 2, kRounds);
    std::printf("  scan       %.1f ms\n", scan * 1e3);
    std::printf("  bare loop  %.1f ms\n", bare * 1e3);
    std::printf("  ratio scan/bare: %.3f (target <= 1.15)\n", scan / bare);
    return 0;
}
