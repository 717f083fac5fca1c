#include "processes/hotfix_scan.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "processes/wmi_error.h"
#include "tests/processes/fake_wmi.h"
#include "tests/processes/scan_observers.h"

namespace corvanta::test {
namespace {

// The hot-fixes the uninstall key gave at start.
const std::vector<std::string> kFromUninstallKey{"Windows XP Hotfix - KB873339", "Hotfix for Windows (kb555555)"};

// The hot-fix table as the uninstall-key scan leaves it, with a display,
// and WMI with two updates.
struct UpdatesWorld {
    UpdatesWorld() {
        t.dsHotFix.SetLink(&link);
        t.tblHotFix.Open();
        for (const std::string& name : kFromUninstallKey) {
            t.tblHotFix.Append();
            t.tblHotFixHotFix.SetAsString(name);
            t.tblHotFix.Post();
        }
        wmi.updates = {FakeUpdate::Of(u"KB5031356", u"Security Update"), FakeUpdate::Of(u"KB1234567", u"Update")};
    }

    void Query() {
        link.changed = link.posted = 0;
        wmi.own_log.clear();
        AddInstalledUpdates(t, wmi, cursor);
    }

    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (std::size_t r = 0; r < t.tblHotFix.RecordCount(); ++r) rows.emplace_back(t.tblHotFix.Cell(r, 0));
        return rows;
    }
    // The uninstall key's rows, then these.
    static std::vector<std::string> After(std::vector<std::string> added) {
        std::vector<std::string> rows = kFromUninstallKey;
        rows.insert(rows.end(), added.begin(), added.end());
        return rows;
    }

    // What every run must leave, however the query went.
    void ExpectCleanEnd() const { ExpectCleanScanEnd(t.tblHotFix, link, wmi); }

    InventoryTables t;
    FakeWmi wmi;
    LoggingCursor cursor{wmi.own_log};
    CountingLink link;
};

class InstalledUpdatesTest : public ::testing::Test, protected UpdatesWorld {};

TEST_F(InstalledUpdatesTest, AppendsEachUpdateWithItsDescriptionAfterTheUninstallKeysRows) {
    wmi.updates.push_back(FakeUpdate::Of(u"KB2", u""));
    wmi.updates.push_back(FakeUpdate::Of(u"KB3", u""));
    wmi.updates.back().description = WmiValue::Null();
    wmi.updates.push_back(FakeUpdate::Of(u"KB4", u""));
    wmi.updates.back().description = WmiValue{};
    // 9 + 2 + 40 + 1 characters: cut to the column's 50.
    wmi.updates.push_back(FakeUpdate::Of(u"KB4000001", std::u16string(40, u'd')));
    wmi.updates.push_back(FakeUpdate::Of(u"KB5\u00e9", u"Mise \u00e0 jour"));
    Query();
    EXPECT_EQ(Rows(), After({"KB5031356 (Security Update)", "KB1234567 (Update)", "KB2", "KB3", "KB4",
                             "KB4000001 (" + std::string(39, 'd'), "KB5\xe9 (Mise \xe0 jour)"}));
    ExpectCleanEnd();
}

TEST_F(InstalledUpdatesTest, MakesTheWmiCallsInOrderWithThePublishedArguments) {
    wmi.updates.resize(1);
    Query();
    EXPECT_EQ(wmi.own_log, (std::vector<std::string>{
                               "busy",
                               "CreateLocator",
                               "ConnectServer(|root\\cimv2|||||0)",
                               "ExecQuery(SELECT * FROM Win32_QuickFixEngineering|WQL|0)",
                               "Enumerate",
                               "Fetch",
                               "TakeAsObject",
                               "ReadProperty(HotFixID)",
                               "ReadProperty(Description)",
                               "Fetch",
                               "default",
                           }));
}

// Which HotFixIDs are left out: those the uninstall key's hot-fix rows name
// as a word, in any case, and the ones that name nothing.
TEST_F(InstalledUpdatesTest, LeavesOutWhatTheUninstallKeyNamedAndIdsThatNameNothing) {
    struct Case {
        const char* what;
        std::optional<WmiValue> id;
        bool listed;
    };
    const Case cases[] = {
        {"named by the uninstall key", WmiValue::Text(u"KB873339"), false},
        {"named, in another case", WmiValue::Text(u"kb873339"), false},
        {"named in small letters there", WmiValue::Text(u"KB555555"), false},
        {"a part of a named one", WmiValue::Text(u"KB87333"), true},
        {"a named one is part of it", WmiValue::Text(u"KB8733391"), true},
        {"named nowhere", WmiValue::Text(u"KB999999"), true},
        {"empty", WmiValue::Text(u""), false},
        {"Null", WmiValue::Null(), false},
        {"Windows' placeholder", WmiValue::Text(u"File 1"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UpdatesWorld world;
        world.wmi.updates = {FakeUpdate::Of(u"", u"Update"), FakeUpdate::Of(u"KB1", u"")};
        world.wmi.updates[0].hot_fix_id = c.id;
        world.Query();
        const std::string text =
            c.id->kind == WmiValue::Kind::Text ? std::string(c.id->text.begin(), c.id->text.end()) : std::string();
        EXPECT_EQ(world.Rows(), c.listed ? After({text + " (Update)", "KB1"}) : After({"KB1"}));
        world.ExpectCleanEnd();
    }
}

// One update that cannot be read is skipped; a failed fetch ends the list
// quietly, as its end does.
TEST_F(InstalledUpdatesTest, AnUnreadableUpdateIsSkippedAndTheOthersFollow) {
    struct Case {
        const char* what;
        std::function<void(FakeWmi&)> arrange;
        std::vector<std::string> added;
    };
    const std::vector<std::string> both{"KB5031356 (Security Update)", "KB3 (Third)"};
    const std::vector<Case> cases = {
        {"value is not an object", [](FakeWmi& w) { w.updates[1].fetched = FakeProcess::Fetched::NotAnObject; }, both},
        {"object is no ISWbemObject", [](FakeWmi& w) { w.updates[1].fetched = FakeProcess::Fetched::NoSWbemObject; },
         both},
        {"HotFixID cannot be read", [](FakeWmi& w) { w.updates[1].hot_fix_id.reset(); }, both},
        {"Description cannot be read", [](FakeWmi& w) { w.updates[1].description.reset(); }, both},
        {"fetch fails midway", [](FakeWmi& w) { w.fetch_fails_at = 1; }, {"KB5031356 (Security Update)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UpdatesWorld world;
        world.wmi.updates.push_back(FakeUpdate::Of(u"KB3", u"Third"));
        c.arrange(world.wmi);
        EXPECT_NO_THROW(world.Query());
        EXPECT_EQ(world.Rows(), After(c.added));
        world.ExpectCleanEnd();
    }
}

// A failure of the query itself reaches the caller (the window shows it),
// after the final actions; the uninstall key's rows stay.
TEST_F(InstalledUpdatesTest, AFailedQueryIsRaisedAfterTheFinalActionsAndKeepsTheUninstallKeysRows) {
    for (const WmiStep step :
         {WmiStep::CreateLocator, WmiStep::ConnectServer, WmiStep::ExecQuery, WmiStep::Enumerate}) {
        SCOPED_TRACE(static_cast<int>(step));
        UpdatesWorld world;
        world.wmi.failing_step = step;
        world.wmi.step_failure = hresult::kWbemInvalidNamespace;
        try {
            world.Query();
            ADD_FAILURE() << "the failure was swallowed";
        } catch (const EWmiError& e) {
            EXPECT_EQ(e.Code(), hresult::kWbemInvalidNamespace);
        }
        EXPECT_EQ(world.Rows(), kFromUninstallKey);
        world.ExpectCleanEnd();
    }
}

TEST_F(InstalledUpdatesTest, OnlyTheFirstTurnAsksWmiAlsoWhenItFailed) {
    InstalledUpdatesOnce page;
    EXPECT_FALSE(page.HasRun());
    wmi.own_log.clear();
    page.Run(t, wmi, cursor);
    EXPECT_TRUE(page.HasRun());
    EXPECT_EQ(Rows(), After({"KB5031356 (Security Update)", "KB1234567 (Update)"}));
    wmi.own_log.clear();
    link.changed = 0;
    page.Run(t, wmi, cursor);
    EXPECT_TRUE(wmi.own_log.empty()) << "a later turn ran the query again";
    EXPECT_EQ(link.changed, 0);
    EXPECT_EQ(Rows(), After({"KB5031356 (Security Update)", "KB1234567 (Update)"}));

    UpdatesWorld failing;
    failing.wmi.failing_step = WmiStep::ExecQuery;
    InstalledUpdatesOnce failing_page;
    EXPECT_THROW(failing_page.Run(failing.t, failing.wmi, failing.cursor), EWmiError);
    failing.wmi.failing_step = WmiStep::None;
    failing.wmi.own_log.clear();
    EXPECT_NO_THROW(failing_page.Run(failing.t, failing.wmi, failing.cursor));
    EXPECT_TRUE(failing.wmi.own_log.empty());
    EXPECT_EQ(failing.Rows(), kFromUninstallKey);
}

}  // namespace
}  // namespace corvanta::test
