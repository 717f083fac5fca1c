#include "software/uninstall_scan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "software/registry_reader.h"
#include "tests/software/scan_results.h"
#include "tests/software/fake_registry.h"

namespace corvanta::test {
namespace {

using View = FakeRegistry::View;
using ::testing::ElementsAre;

const std::string kUninstall = "software\\microsoft\\windows\\currentVersion\\uninstall";

class UninstallScanTest : public ::testing::Test, protected ScanResults {
protected:
    explicit UninstallScanTest(bool has_64bit_view = false) : registry(has_64bit_view) {
        registry.AddKey(View::k32, kUninstall);
    }

    void Entry(const std::string& subkey, const std::string& name, const std::string* version = nullptr,
               View view = View::k32) {
        registry.SetString(view, kUninstall + "\\" + subkey, "DisplayName", name);
        if (version) registry.SetString(view, kUninstall + "\\" + subkey, "DisplayVersion", *version);
    }
    void Entry(const std::string& subkey, const std::string& name, const std::string& version, View view = View::k32) {
        Entry(subkey, name, &version, view);
    }

    std::string Scan() { return ScanForMessage(tables, registry); }

    FakeRegistry registry;
};

TEST(HotFixName, IsFoundOnTheUpperCasedCopyAnywhereInTheName) {
    struct Case {
        const char* name;
        bool hotfix;
    };
    const Case cases[] = {
        {"Windows XP Hotfix - KB834707", true},
        {"hotfix", true},
        {"HoTfIx for something", true},
        {"SHOTFIXER", true},
        {"Security Update for Windows XP (KB823980)", false},
        {"Hot fix", false},
        {"HOTFI", false},
        {"\xe9hotfix\xff", true},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsHotFixName(c.name), c.hotfix) << c.name;
}

TEST_F(UninstallScanTest, SortsEntriesIntoProgramsAndHotFixes) {
    Entry("KB834707", "Windows XP Hotfix - KB834707", "1.0");
    Entry("KB823980", "Security Update for Windows XP (KB823980)");
    Entry("Editor", "Editor", "2.5");
    Entry("Shot", "SHOTFIXER");
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(Programs(), ElementsAre("Security Update for Windows XP (KB823980)", "Editor"));
    EXPECT_THAT(Versions(), ElementsAre("", "2.5"));
    EXPECT_THAT(HotFixes(), ElementsAre("Windows XP Hotfix - KB834707", "SHOTFIXER"));
    // Only Editor's version is read: a hot-fix's version never is.
    EXPECT_EQ(std::count(registry.values_queried.begin(), registry.values_queried.end(), "DisplayVersion"), 1);
}

TEST_F(UninstallScanTest, TestsTheWholeNameAndCutsOnStoring) {
    const std::string long_name = std::string(80, 'a') + "Hotfix" + std::string(34, 'z');
    const std::string long_program = std::string(130, 'p');
    Entry("Long", long_name);
    Entry("LongProgram", long_program, std::string(60, '9'));
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(HotFixes(), ElementsAre(std::string(50, 'a')));
    EXPECT_THAT(Programs(), ElementsAre(std::string(100, 'p')));
    EXPECT_THAT(Versions(), ElementsAre(std::string(50, '9')));
}

TEST_F(UninstallScanTest, StoresTextAsReadWithinItsSize) {
    registry.SetString(View::k32, kUninstall + "\\Expand", "DisplayName", "%SystemRoot%\\tool", reg::kRegExpandSz);
    Entry("Spaces", "   ");
    registry.SetValue(View::k32, kUninstall + "\\Unterminated", "DisplayName", reg::kRegSz, "NoNul");
    registry.SetValue(View::k32, kUninstall + "\\EmbeddedNul", "DisplayName", reg::kRegSz,
                      std::string("Before\0After\0", 13));
    registry.SetValue(View::k32, kUninstall + "\\Huge", "DisplayName", reg::kRegSz, std::string(1 << 20, 'h'));
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(Programs(), ElementsAre("%SystemRoot%\\tool", "   ", "NoNul", "Before", std::string(100, 'h')));
}

TEST_F(UninstallScanTest, SkipsSubkeysWithoutADisplayName) {
    registry.AddKey(View::k32, kUninstall + "\\NoName");
    Entry("Empty", "");
    registry.SetValue(View::k32, kUninstall + "\\NulFirst", "DisplayName", reg::kRegSz, std::string("\0x", 2));
    registry.SetValue(View::k32, kUninstall + "\\DwordOfSizeZero", "DisplayName", reg::kRegDword, "");
    registry.SetString(View::k32, kUninstall + "\\VersionOnly", "DisplayVersion", "1");
    Entry("Denied", "Hidden");
    registry.deny_open.insert("software\\microsoft\\windows\\currentversion\\uninstall\\denied");
    Entry("Kept", "Kept", "3");
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(Programs(), ElementsAre("Kept"));
    EXPECT_TRUE(HotFixes().empty());
}

TEST_F(UninstallScanTest, KeepsDuplicatesInEnumerationOrder) {
    Entry("B", "Same", "2");
    Entry("A", "Same", "1");
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(Versions(), ElementsAre("2", "1"));
}

TEST_F(UninstallScanTest, LeavesProgramsOnTheFirstRowAndHotFixesOnTheLast) {
    Entry("1", "First program", "1");
    Entry("2", "Hotfix one");
    Entry("3", "Second program", "2");
    Entry("4", "Hotfix two");
    EXPECT_EQ(Scan(), "");
    EXPECT_EQ(tables.kbmMemTable1.CurrentRow(), 0u);
    EXPECT_EQ(tables.kbmMemTable1Software.AsString(), "First program");
    EXPECT_EQ(tables.tblHotFixHotFix.AsString(), "Hotfix two");
    EXPECT_TRUE(tables.tblHotFix.Active());
}

TEST_F(UninstallScanTest, NoUninstallKeyGivesOpenEmptyTablesAndNoError) {
    FakeRegistry empty;
    ScanUninstallKey(tables, empty);
    EXPECT_TRUE(tables.tblHotFix.Active());
    EXPECT_EQ(tables.kbmMemTable1.RecordCount(), 0u);
    EXPECT_EQ(tables.tblHotFix.RecordCount(), 0u);
    EXPECT_EQ(empty.OpenHandles(), 0);
}

TEST_F(UninstallScanTest, ListingFailuresLoseOnlyWhatCannotBeListed) {
    Entry("A", "Alpha");
    Entry("B", "Beta");
    Entry("C", "Gamma");
    registry.fail_enum_index = {1};
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(Programs(), ElementsAre("Alpha", "Gamma"));

    InventoryTables again;
    again.kbmMemTable1.Open();
    registry.fail_query_info = true;
    ScanUninstallKey(again, registry);
    EXPECT_EQ(again.kbmMemTable1.RecordCount(), 0u);
}

// A bad value is reported with the reader's message, but the scan goes on
// with the next subkey and the first error is raised at the end.
TEST_F(UninstallScanTest, ABadValueIsReportedAfterTheScanAndHidesNothing) {
    struct Case {
        const char* what;
        void (*setup)(FakeRegistry&);
        std::vector<std::string> programs;
        std::vector<std::string> versions;
        std::string message;
    };
    const Case cases[] = {
        {"DWORD DisplayName",
         [](FakeRegistry& r) { r.SetValue(View::k32, kUninstall + "\\B", "DisplayName", reg::kRegDword, "\1\0\0\0"); },
         {"Alpha", "Gamma"},
         {"1", "3"},
         "Invalid data type for 'DisplayName'"},
        {"DWORD DisplayVersion",
         [](FakeRegistry& r) {
             r.SetValue(View::k32, kUninstall + "\\B", "DisplayVersion", reg::kRegDword, "\2\0\0\0");
         },
         {"Alpha", "Beta", "Gamma"},
         {"1", "", "3"},
         "Invalid data type for 'DisplayVersion'"},
        {"binary DisplayName",
         [](FakeRegistry& r) { r.SetValue(View::k32, kUninstall + "\\B", "DisplayName", 3, "xyz"); },
         {"Alpha", "Gamma"},
         {"1", "3"},
         "Invalid data type for 'DisplayName'"},
        {"DisplayVersion whose data cannot be read",
         [](FakeRegistry& r) { r.fail_data_read.insert("DisplayVersion"); },
         {"Alpha", "Beta", "Gamma"},
         {"", "", ""},
         "Failed to get data for 'DisplayVersion'"},
        {"two bad values: the first is reported",
         [](FakeRegistry& r) {
             r.SetValue(View::k32, kUninstall + "\\A", "DisplayVersion", reg::kRegDword, "\2\0\0\0");
             r.SetValue(View::k32, kUninstall + "\\C", "DisplayName", reg::kRegDword, "\2\0\0\0");
         },
         {"Alpha", "Beta"},
         {"", "2"},
         "Invalid data type for 'DisplayVersion'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRegistry r;
        r.AddKey(View::k32, kUninstall);
        r.SetString(View::k32, kUninstall + "\\A", "DisplayName", "Alpha");
        r.SetString(View::k32, kUninstall + "\\A", "DisplayVersion", "1");
        r.SetString(View::k32, kUninstall + "\\B", "DisplayName", "Beta");
        r.SetString(View::k32, kUninstall + "\\B", "DisplayVersion", "2");
        r.SetString(View::k32, kUninstall + "\\C", "DisplayName", "Gamma");
        r.SetString(View::k32, kUninstall + "\\C", "DisplayVersion", "3");
        c.setup(r);
        InventoryTables t;
        t.kbmMemTable1.Open();
        EXPECT_EQ(ScanForMessage(t, r), c.message);
        EXPECT_EQ(Column(t.kbmMemTable1, 0), c.programs);
        EXPECT_EQ(Column(t.kbmMemTable1, 1), c.versions);
        EXPECT_EQ(t.kbmMemTable1.CurrentRow(), 0u);
        EXPECT_FALSE(t.kbmMemTable1.Appending());
        EXPECT_EQ(r.OpenHandles(), 0);
        EXPECT_EQ(r.bad_closes, 0);
    }
}

TEST_F(UninstallScanTest, AValueThatGrowsWhileReadIsReadAgain) {
    Entry("A", "Alpha", "1");
    Entry("B", "Beta", "2");
    registry.grow_on_read["DisplayName"] = 3;  // settles within the retries
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(Programs(), ElementsAre("+++Alpha", "Beta"));

    InventoryTables t;
    t.kbmMemTable1.Open();
    registry.grow_on_read["DisplayVersion"] = 1000;  // never settles
    EXPECT_EQ(ScanForMessage(t, registry), "Failed to get data for 'DisplayVersion'");
    EXPECT_THAT(Column(t.kbmMemTable1, 1), ElementsAre("", ""));
}

TEST_F(UninstallScanTest, EveryPostedRowReachesTheDisplayAtOnce) {
    struct Counter : DataLink {
        void RecordPosted(std::size_t) override { ++posts; }
        void DataSetChanged() override { ++changes; }
        int posts = 0, changes = 0;
    } programs, hotfixes;
    tables.DataSource1.SetLink(&programs);
    tables.dsHotFix.SetLink(&hotfixes);
    Entry("1", "One", "1");
    Entry("2", "Two", "2");
    Entry("3", "Hotfix");
    EXPECT_EQ(Scan(), "");
    EXPECT_EQ(programs.posts, 2);
    EXPECT_EQ(hotfixes.posts, 1);
    EXPECT_EQ(programs.changes + hotfixes.changes, 0);
}

class UninstallScan64Test : public UninstallScanTest {
protected:
    UninstallScan64Test() : UninstallScanTest(true) { registry.AddKey(View::k64, kUninstall); }
};

// Which root each uninstall key was opened from, with its access mask, in
// the order opened; subkey opens start from an open key and are left out.
std::vector<std::pair<RegKey, std::uint32_t>> UninstallKeyOpens(const FakeRegistry& registry) {
    std::vector<std::pair<RegKey, std::uint32_t>> opens;
    for (std::size_t i = 0; i < registry.open_roots.size(); ++i) {
        const RegKey root = registry.open_roots[i];
        if (root == reg::kHKeyLocalMachine || root == reg::kHKeyCurrentUser)
            opens.emplace_back(root, registry.open_access[i]);
    }
    return opens;
}

TEST_F(UninstallScan64Test, ReadsThe64BitViewThe32BitViewAndThenThePerUserKey) {
    Entry("A", "Per-user program", "u", View::kCurrentUser);
    Entry("A", "Native program", "64", View::k64);
    Entry("B", "Native Hotfix", nullptr, View::k64);
    Entry("A", "Legacy program", "32", View::k32);
    Entry("B", "Per-user Hotfix", nullptr, View::kCurrentUser);
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(Programs(), ElementsAre("Native program", "Legacy program", "Per-user program"));
    EXPECT_THAT(Versions(), ElementsAre("64", "32", "u"));
    EXPECT_THAT(HotFixes(), ElementsAre("Native Hotfix", "Per-user Hotfix"));
    // The current user's key has one view: plain KEY_READ, no view flag.
    using Open = std::pair<RegKey, std::uint32_t>;
    EXPECT_THAT(UninstallKeyOpens(registry),
                ElementsAre(Open{reg::kHKeyLocalMachine, reg::kKeyRead | reg::kKeyWow64_64Key},
                            Open{reg::kHKeyLocalMachine, reg::kKeyRead | reg::kKeyWow64_32Key},
                            Open{reg::kHKeyCurrentUser, 0x20019u}));
    EXPECT_EQ(registry.OpenHandles(), 0);
    EXPECT_EQ(registry.bad_closes, 0);
}

TEST_F(UninstallScanTest, PerUserProgramsAreAppendedAfterTheMachineWideOnes) {
    Entry("Z", "Machine program", "1");
    Entry("A", "Per-user program", "2", View::kCurrentUser);
    Entry("B", "Per-user Hotfix KB1", nullptr, View::kCurrentUser);
    Entry("C", "Per-user program", "3", View::kCurrentUser);  // no de-duplication here either
    EXPECT_EQ(Scan(), "");
    EXPECT_THAT(Programs(), ElementsAre("Machine program", "Per-user program", "Per-user program"));
    EXPECT_THAT(Versions(), ElementsAre("1", "2", "3"));
    EXPECT_THAT(HotFixes(), ElementsAre("Per-user Hotfix KB1"));
    EXPECT_EQ(tables.kbmMemTable1.CurrentRow(), 0u);
    EXPECT_EQ(registry.OpenHandles(), 0);
}

TEST_F(UninstallScanTest, EitherUninstallKeyMayBeMissingWithoutAWord) {
    Entry("A", "Machine program", "1");
    EXPECT_EQ(Scan(), "");  // no per-user key: the fixture's registry has none
    EXPECT_THAT(Programs(), ElementsAre("Machine program"));

    FakeRegistry user_only;
    user_only.SetString(View::kCurrentUser, kUninstall + "\\A", "DisplayName", "Per-user program");
    InventoryTables t;
    t.kbmMemTable1.Open();
    EXPECT_EQ(ScanForMessage(t, user_only), "");
    EXPECT_THAT(Column(t.kbmMemTable1, 0), ElementsAre("Per-user program"));
    EXPECT_EQ(user_only.OpenHandles(), 0);
}

// The per-user key follows the same rules: a bad value there is reported
// after the scan, and one in the machine's key does not stop the per-user
// key from being read.
TEST_F(UninstallScanTest, ABadValueInEitherKeyIsReportedAfterAllOfThemWereRead) {
    Entry("A", "Machine program", "1");
    Entry("A", "Alpha", "1", View::kCurrentUser);
    registry.SetValue(View::kCurrentUser, kUninstall + "\\B", "DisplayName", reg::kRegDword, "\1\0\0\0");
    Entry("C", "Gamma", "3", View::kCurrentUser);
    EXPECT_EQ(Scan(), "Invalid data type for 'DisplayName'");
    EXPECT_THAT(Programs(), ElementsAre("Machine program", "Alpha", "Gamma"));
    EXPECT_EQ(tables.kbmMemTable1.CurrentRow(), 0u);
    EXPECT_EQ(registry.OpenHandles(), 0);

    InventoryTables t;
    t.kbmMemTable1.Open();
    registry.SetValue(View::k32, kUninstall + "\\A", "DisplayVersion", reg::kRegDword, "\2\0\0\0");
    EXPECT_EQ(ScanForMessage(t, registry), "Invalid data type for 'DisplayVersion'");  // the first
    EXPECT_THAT(Column(t.kbmMemTable1, 0), ElementsAre("Machine program", "Alpha", "Gamma"));
    EXPECT_THAT(Column(t.kbmMemTable1, 1), ElementsAre("", "1", "3"));
    EXPECT_EQ(registry.OpenHandles(), 0);
    EXPECT_EQ(registry.bad_closes, 0);
}

// Subkey names that the ANSI functions cannot spell, or that make a path
// rebuilt from the root too long for them (52 characters of uninstall path
// and 208 of name fill the 260 they convert), and names with characters a
// path could mistake. `ansi_reached`: whether reading the ANSI name list
// and reopening each name from the root reaches the key itself.
struct OddName {
    std::u16string name;
    bool ansi_reached;
};

std::vector<OddName> OddNames() {
    return {
        {u"Prog中文", false},  // reads as "Prog??", another key's name below
        {u"Prog??", true},
        {u"K_Ωmega", false},
        {u"K_😀", false},  // a surrogate pair
        {std::u16string(208, u'n'), true},
        {std::u16string(209, u'n'), false},
        {std::u16string(254, u'x') + u"Ω", false},  // the longest legal name
        {std::u16string(255, u'y'), false},
        {u"What?", true},
        {u".", true},
        {u"..", true},
        {u" padded ", true},
        {u"a/b", true},
        {u"Caf\u00e9", true},  // in the code page: its ANSI spelling still names it
    };
}

class OddNameScanTest : public UninstallScan64Test {
protected:
    // Every odd name in the given place; display names say which and where.
    std::vector<std::string> AddOddNames(View view, const std::string& where) {
        std::vector<std::string> display_names;
        const std::vector<OddName> names = OddNames();
        for (std::size_t i = 0; i < names.size(); ++i) {
            display_names.push_back("Odd " + std::to_string(i) + " " + where);
            registry.SetString(view, FakeRegistry::Path(kUninstall).wide + u"\\" + names[i].name, "DisplayName",
                               display_names.back());
        }
        return display_names;
    }
};

TEST_F(OddNameScanTest, TheAnsiNamesLoseSomeKeys) {
    const std::vector<std::string> display_names = AddOddNames(View::k64, "64");
    const std::vector<OddName> names = OddNames();
    // The way subkeys used to be reached: list the ANSI names, then open
    // uninstall path + name from the root.
    RegKey uninstall = 0;
    const std::uint32_t access = reg::kKeyRead | reg::kKeyWow64_64Key;
    ASSERT_EQ(registry.OpenKey(reg::kHKeyLocalMachine, kUninstall.c_str(), access, &uninstall), reg::kSuccess);
    for (std::uint32_t i = 0; i < names.size(); ++i) {
        std::string ansi_name;
        ASSERT_EQ(registry.EnumKeyAnsi(uninstall, i, &ansi_name), reg::kSuccess);
        RegKey key = 0;
        std::string read;
        if (registry.OpenKey(reg::kHKeyLocalMachine, (kUninstall + "\\" + ansi_name).c_str(), access, &key) ==
            reg::kSuccess) {
            std::uint32_t type = 0, size = 256;
            unsigned char data[256] = {};
            if (registry.QueryValue(key, "DisplayName", &type, data, &size) == reg::kSuccess)
                read = reinterpret_cast<const char*>(data);
            registry.CloseKey(key);
        }
        EXPECT_EQ(read == display_names[i], names[i].ansi_reached) << "name " << i << ": " << ansi_name;
    }
    registry.CloseKey(uninstall);
    EXPECT_EQ(registry.OpenHandles(), 0);
}

TEST_F(OddNameScanTest, EveryKeyIsListedWhateverItsNameInEveryView) {
    registry.AddKey(View::kCurrentUser, kUninstall);
    std::vector<std::string> expected = AddOddNames(View::k64, "64");
    for (const std::string& name : AddOddNames(View::k32, "32")) expected.push_back(name);
    for (const std::string& name : AddOddNames(View::kCurrentUser, "user")) expected.push_back(name);
    EXPECT_EQ(Scan(), "");
    EXPECT_EQ(Programs(), expected);
    // Each subkey was opened relative to its open uninstall key, and every
    // key was closed again, each once.
    EXPECT_EQ(UninstallKeyOpens(registry).size(), 3u);
    EXPECT_EQ(registry.open_roots.size(), 3u + expected.size());
    EXPECT_EQ(registry.OpenHandles(), 0);
    EXPECT_EQ(registry.bad_closes, 0);
}

TEST_F(UninstallScanTest, On32BitWindowsOpensWithKeyReadExactly) {
    Entry("A", "Program", "1");
    EXPECT_EQ(Scan(), "");
    ASSERT_FALSE(registry.open_access.empty());
    for (std::uint32_t access : registry.open_access) EXPECT_EQ(access, 0x20019u);
}

TEST(RegistryReader, ReadsOnlyTheCurrentKeyAndClosesWhatItOpened) {
    FakeRegistry registry;
    registry.SetString(View::k32, "software\\a", "V", "in a");
    registry.SetString(View::k32, "software\\b", "V", "in b");
    {
        TRegistry reader(registry, reg::kKeyRead);
        EXPECT_EQ(reader.ReadString("V"), "");  // no current key
        EXPECT_TRUE(reader.GetKeyNames().empty());
        EXPECT_FALSE(reader.OpenSubKey(u"a"));  // no key to open it below
        ASSERT_TRUE(reader.OpenKey("\\software\\a"));
        EXPECT_EQ(reader.ReadString("v"), "in a");
        EXPECT_FALSE(reader.OpenKey("\\software\\missing"));
        EXPECT_EQ(reader.ReadString("V"), "in a");  // a failed open keeps the current key
        ASSERT_TRUE(reader.OpenKey("software\\b"));
        EXPECT_EQ(registry.OpenHandles(), 1);
        EXPECT_EQ(reader.ReadString("V"), "in b");
        EXPECT_EQ(reader.ReadString("Missing"), "");
    }
    EXPECT_EQ(registry.OpenHandles(), 0);
    EXPECT_EQ(registry.bad_closes, 0);
}

TEST(RegistryReader, OpensSubkeysBelowTheOpenKeyWhichStaysOpen) {
    FakeRegistry registry;
    registry.SetString(View::k32, "software", "V", "in software");
    registry.SetString(View::k32, u"software\\K_Ωmega", "V", "in omega");
    registry.SetString(View::k32, "software\\b", "V", "in b");
    registry.SetString(View::k32, "other\\c", "V", "in c");
    {
        TRegistry reader(registry, reg::kKeyRead);
        ASSERT_TRUE(reader.OpenKey("software"));
        EXPECT_THAT(reader.GetKeyNames(), ElementsAre(u"K_Ωmega", u"b"));
        ASSERT_TRUE(reader.OpenSubKey(u"k_Ωmega"));
        EXPECT_EQ(reader.ReadString("V"), "in omega");
        EXPECT_EQ(registry.OpenHandles(), 2);
        ASSERT_TRUE(reader.OpenSubKey(u"b"));
        EXPECT_EQ(registry.OpenHandles(), 2);        // the previous subkey was closed
        EXPECT_EQ(reader.GetKeyNames().size(), 2u);  // still the key's names, not the subkey's
        EXPECT_FALSE(reader.OpenSubKey(u"missing"));
        EXPECT_EQ(reader.ReadString("V"), "in b");  // a failed open keeps the current key
        ASSERT_TRUE(reader.OpenKey("other"));
        EXPECT_EQ(registry.OpenHandles(), 1);  // the key and its subkey went together
        EXPECT_EQ(reader.ReadString("V"), "");
        ASSERT_TRUE(reader.OpenSubKey(u"c"));
        EXPECT_EQ(reader.ReadString("V"), "in c");
    }
    EXPECT_EQ(registry.OpenHandles(), 0);
    EXPECT_EQ(registry.bad_closes, 0);
}

}  // namespace
}  // namespace corvanta::test
