// The uninstall-key scan against the real registry of the Wine test prefix.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "software/registry_reader.h"
#include "tests/software/scan_results.h"
#include "software/uninstall_scan.h"
#include "tests/software/redirected_registry_api_win.h"
#include "tests/support/test_registry_win.h"

namespace corvanta::test {
namespace {

using ::testing::ElementsAre;

const char kTestRoot[] = "Software\\CorvantaTests\\Uninstall";

class WineUninstallScanTest : public ::testing::Test, protected ScanResults {
protected:
    std::string Scan() { return ScanForMessage(tables, registry); }

    TestKeyTree tree64{kTestRoot, RegView::k64};
    TestKeyTree tree32{kTestRoot, RegView::k32};
    TestKeyTree tree_user{kTestRoot, RegView::kCurrentUser};
    RedirectedRegistryApi registry{kTestRoot};
};

TEST_F(WineUninstallScanTest, TheWineBuildSeesTwoRegistryViews) { EXPECT_TRUE(registry.Has64BitView()); }

TEST_F(WineUninstallScanTest, ClassifiesAndStoresWhatTheRegistryHolds) {
    const std::string long_name = std::string(80, 'L') + "Hotfix" + std::string(34, 'z');
    tree64.SetString("01", "DisplayName", "Windows XP Hotfix - KB834707");
    tree64.SetString("01", "DisplayVersion", "9");
    tree64.SetString("02", "DisplayName", "hotfix in small letters");
    tree64.SetString("03", "DisplayName", "SHOTFIXER");
    tree64.SetString("04", "DisplayName", long_name);
    tree64.SetString("05", "DisplayName", "Security Update for Windows XP (KB823980)");
    tree64.SetString("06", "DisplayName", "%SystemRoot%\\app", REG_EXPAND_SZ);
    tree64.SetString("06", "DisplayVersion", "%SystemRoot%", REG_EXPAND_SZ);
    tree64.SetString("07", "DisplayName", "Twin");
    tree64.SetString("07", "DisplayVersion", "1");
    tree64.SetString("08", "DisplayName", "Twin");
    tree64.SetString("08", "DisplayVersion", "2");
    tree64.SetString("09", "DisplayName", "   ");
    tree64.SetValue("10", "DisplayName", REG_BINARY, "", 0);  // non-text of size 0: skipped
    tree64.AddKey("11");
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(HotFixes(), ElementsAre("Windows XP Hotfix - KB834707", "hotfix in small letters", "SHOTFIXER",
                                        std::string(50, 'L')));
    EXPECT_THAT(Programs(),
                ElementsAre("Security Update for Windows XP (KB823980)", "%SystemRoot%\\app", "Twin", "Twin", "   "));
    EXPECT_THAT(Versions(), ElementsAre("", "%SystemRoot%", "1", "2", ""));
    EXPECT_EQ(tables.kbmMemTable1Software.AsString(), "Security Update for Windows XP (KB823980)");
    EXPECT_EQ(tables.tblHotFixHotFix.AsString(), std::string(50, 'L'));
}

TEST_F(WineUninstallScanTest, ReadsTextWithinItsSize) {
    tree64.SetValue("1", "DisplayName", REG_SZ, "Unterminated", 12);
    tree64.SetValue("2", "DisplayName", REG_SZ, "Before\0After", 13);
    const std::string huge(1 << 20, 'h');
    tree64.SetValue("3", "DisplayName", REG_SZ, huge.c_str(), static_cast<DWORD>(huge.size() + 1));
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(Programs(), ElementsAre("Unterminated", "Before", std::string(100, 'h')));
}

TEST_F(WineUninstallScanTest, ADwordDisplayNameIsReportedAndSkipped) {
    tree64.SetString("1", "DisplayName", "Before");
    tree64.SetDword("2", "DisplayName", 7);
    tree64.SetString("3", "DisplayName", "After");
    EXPECT_EQ(Scan(), "Invalid data type for 'DisplayName'");
    EXPECT_THAT(Programs(), ElementsAre("Before", "After"));
}

TEST_F(WineUninstallScanTest, ADwordDisplayVersionLeavesTheProgramWithoutAVersion) {
    tree64.SetString("1", "DisplayName", "Dword version");
    tree64.SetDword("1", "DisplayVersion", 7);
    tree64.SetString("2", "DisplayName", "After");
    tree64.SetString("2", "DisplayVersion", "2.0");
    EXPECT_EQ(Scan(), "Invalid data type for 'DisplayVersion'");
    EXPECT_THAT(Programs(), ElementsAre("Dword version", "After"));
    EXPECT_THAT(Versions(), ElementsAre("", "2.0"));
    EXPECT_EQ(tables.kbmMemTable1.CurrentRow(), 0u);
}

TEST_F(WineUninstallScanTest, AMissingUninstallKeyGivesNoRowsAndNoMessage) {
    RedirectedRegistryApi missing{"Software\\CorvantaTests\\Missing"};
    ScanUninstallKey(tables, missing);
    EXPECT_TRUE(tables.tblHotFix.Active());
    EXPECT_EQ(tables.kbmMemTable1.RecordCount(), 0u);
    EXPECT_EQ(tables.tblHotFix.RecordCount(), 0u);
}

TEST_F(WineUninstallScanTest, ReadsBothViewsThe64BitOneFirst) {
    tree32.SetString("Shared", "DisplayName", "From the 32-bit view");
    tree64.SetString("Shared", "DisplayName", "From the 64-bit view");
    tree32.SetString("OnlyHotfix32", "DisplayName", "Hotfix 32");
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(Programs(), ElementsAre("From the 64-bit view", "From the 32-bit view"));
    EXPECT_THAT(HotFixes(), ElementsAre("Hotfix 32"));
}

TEST_F(WineUninstallScanTest, PerUserEntriesComeAfterBothViews) {
    tree_user.SetString("App", "DisplayName", "Per-user program");
    tree_user.SetString("App", "DisplayVersion", "7.1");
    tree_user.SetString("Fix", "DisplayName", "Per-user Hotfix");
    tree64.SetString("App", "DisplayName", "From the 64-bit view");
    tree32.SetString("App", "DisplayName", "From the 32-bit view");
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(Programs(), ElementsAre("From the 64-bit view", "From the 32-bit view", "Per-user program"));
    EXPECT_THAT(Versions(), ElementsAre("", "", "7.1"));
    EXPECT_THAT(HotFixes(), ElementsAre("Per-user Hotfix"));
}

TEST_F(WineUninstallScanTest, ABadPerUserValueIsReportedAfterTheScan) {
    tree64.SetString("A", "DisplayName", "Machine program");
    tree_user.SetDword("1", "DisplayName", 7);
    tree_user.SetString("2", "DisplayName", "Per-user program");
    EXPECT_EQ(Scan(), "Invalid data type for 'DisplayName'");
    EXPECT_THAT(Programs(), ElementsAre("Machine program", "Per-user program"));
}

// Names that the ANSI functions cannot spell, and names too long for a path
// rebuilt from the root through them (52 characters of uninstall path and
// 208 of name fill the 260 they convert).
TEST_F(WineUninstallScanTest, KeysWithAnyNameAreListedInEveryView) {
    // Prog中文, K_Ωmega, K_😀 (a surrogate pair), 209 and 255 characters, and
    // names that a path could mistake.
    const std::wstring names[] = {L"Prog\u4e2d\u6587",
                                  L"K_\u03a9mega",
                                  L"K_\U0001F600",
                                  std::wstring(209, L'n'),
                                  std::wstring(255, L'y'),
                                  L"What?",
                                  L".",
                                  L"..",
                                  L" padded ",
                                  L"a/b"};
    std::vector<std::string> expected;
    for (auto [tree, where] :
         {std::pair{&tree64, "64-bit view"}, std::pair{&tree32, "32-bit view"}, std::pair{&tree_user, "per user"}}) {
        for (std::size_t i = 0; i < std::size(names); ++i) {
            expected.push_back("Odd name " + std::to_string(i) + " (" + where + ")");
            tree->SetString(names[i], "DisplayName", expected.back());
        }
    }
    EXPECT_EQ(Scan(), "");
    // Within a key the registry lists names in its own order.
    std::vector<std::string> programs = Programs();
    ASSERT_EQ(programs.size(), expected.size());
    for (std::size_t part = 0; part < 3; ++part) {
        const auto from = static_cast<std::ptrdiff_t>(part * std::size(names));
        const auto to = from + static_cast<std::ptrdiff_t>(std::size(names));
        std::sort(programs.begin() + from, programs.begin() + to);
    }
    EXPECT_EQ(programs, expected);
}

// The machine's own uninstall key, in both views, through the real path.
TEST(WineUninstallKey, EntriesOfBothViewsAndThePerUserKeyAreListed) {
    const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    TestKeyTree native(uninstall + "CorvantaTest64", RegView::k64);
    TestKeyTree legacy(uninstall + "CorvantaTest32", RegView::k32);
    native.SetString("", "DisplayName", "Corvanta test program (64-bit view)");
    native.SetString("", "DisplayVersion", "6.4");
    legacy.SetString("", "DisplayName", "Corvanta test program (32-bit view)");
    legacy.SetString("", "DisplayVersion", "3.2");
    TestKeyTree per_user(uninstall + "CorvantaTestUser", RegView::kCurrentUser);
    per_user.SetString("", "DisplayName", "Corvanta test program (per user)");

    // A program that asks with plain KEY_READ sees only its own view: the
    // product (32-bit) misses the 64-bit entry, the 64-bit test build the
    // 32-bit one.
    const std::string other_view = uninstall + (sizeof(void*) == 8 ? "CorvantaTest32" : "CorvantaTest64");
    UniqueRegKey key;
    ASSERT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, other_view.c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);

    InventoryTables tables;
    tables.kbmMemTable1.Open();
    const auto registry = CreateSystemRegistryApi();
    ScanUninstallKey(tables, *registry);
    const auto programs = Column(tables.kbmMemTable1, 0);
    const auto at64 = std::find(programs.begin(), programs.end(), "Corvanta test program (64-bit view)");
    const auto at32 = std::find(programs.begin(), programs.end(), "Corvanta test program (32-bit view)");
    ASSERT_NE(at64, programs.end());
    ASSERT_NE(at32, programs.end());
    EXPECT_LT(at64, at32);
    const auto at_user = std::find(programs.begin(), programs.end(), "Corvanta test program (per user)");
    ASSERT_NE(at_user, programs.end());
    EXPECT_LT(at32, at_user);
    EXPECT_EQ(tables.kbmMemTable1.Cell(static_cast<std::size_t>(at64 - programs.begin()), 1), "6.4");
    EXPECT_EQ(tables.kbmMemTable1.Cell(static_cast<std::size_t>(at32 - programs.begin()), 1), "3.2");
}

}  // namespace
}  // namespace corvanta::test
