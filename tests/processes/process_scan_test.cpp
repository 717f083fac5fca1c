#include "processes/process_scan.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/processes/fake_process_image.h"
#include "tests/processes/file_table_version_library.h"
#include "tests/processes/fake_wmi.h"
#include "tests/processes/scan_observers.h"

namespace corvanta::test {
namespace {

using Row = std::array<std::string, 5>;  // Caption, File, Description, Vendor, Product

// One scan's world: the tables with a display, WMI, the process image paths,
// the version library and the cursor, filled with three processes; gamma.exe
// has no version information.
struct ScanWorld {
    ScanWorld() {
        t.dsProcesses.SetLink(&link);
        images.log = &wmi.own_log;
        versions.files["C:\\app\\alpha.exe"] = FakeVersionFile{
            {{"FileDescription", "Alpha tool"}, {"CompanyName", "Alpha Ltd"}, {"ProductName", "Alpha Suite"}}};
        versions.files["C:\\app\\beta.exe"] =
            FakeVersionFile{{{"FileDescription", "Beta"}, {"CompanyName", "Beta Inc"}, {"ProductName", "Beta"}}};
        wmi.processes = {FakeProcess::Of(u"alpha.exe", u"C:\\app\\alpha.exe"),
                         FakeProcess::Of(u"gamma.exe", u"C:\\app\\gamma.exe"),
                         FakeProcess::Of(u"beta.exe", u"C:\\app\\beta.exe")};
    }

    void Scan() {
        link.changed = link.posted = 0;
        wmi.own_log.clear();
        RefreshProcesses(t, wmi, cursor, versions, images);
    }

    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        for (std::size_t r = 0; r < t.tblProcesses.RecordCount(); ++r) {
            Row row;
            for (std::size_t c = 0; c < row.size(); ++c) row[c] = std::string(t.tblProcesses.Cell(r, c));
            rows.push_back(row);
        }
        return rows;
    }

    // What every run must leave, however the scan went.
    void ExpectCleanEnd() const { ExpectCleanScanEnd(t.tblProcesses, link, wmi); }

    InventoryTables t;
    FakeWmi wmi;
    FileTableVersionLibrary versions;
    FakeProcessImage images;
    LoggingCursor cursor{wmi.own_log};
    CountingLink link;
};

class ProcessScanTest : public ::testing::Test, protected ScanWorld {};

const Row kAlpha{"alpha.exe", "C:\\app\\alpha.exe", "Alpha tool", "Alpha Ltd", "Alpha Suite"};
const Row kGammaNoVersion{"gamma.exe", "C:\\app\\gamma.exe", "", "", ""};
const Row kBeta{"beta.exe", "C:\\app\\beta.exe", "Beta", "Beta Inc", "Beta"};

TEST_F(ProcessScanTest, ListsEveryProcessWithItsFileDetailsInQueryOrder) {
    Scan();
    EXPECT_EQ(Rows(), (std::vector<Row>{kAlpha, kGammaNoVersion, kBeta}));
    ExpectCleanEnd();
    EXPECT_EQ(versions.opened,
              (std::vector<std::string>{"C:\\app\\alpha.exe", "C:\\app\\gamma.exe", "C:\\app\\beta.exe"}));
}

TEST_F(ProcessScanTest, MakesTheWmiCallsInOrderWithThePublishedArguments) {
    wmi.processes.resize(1);
    Scan();
    EXPECT_EQ(wmi.own_log, (std::vector<std::string>{
                               "busy",
                               "CreateLocator",
                               "ConnectServer(|root\\cimv2|||||0)",
                               "ExecQuery(SELECT * FROM Win32_Process|WQL|0)",
                               "Enumerate",
                               "Fetch",
                               "TakeAsObject",
                               "ReadProperty(Caption)",
                               "ReadProperty(ExecutablePath)",
                               "Fetch",
                               "default",
                           }));
}

// Each way the scan can fail, on the middle one of three processes where it
// is about one process, and what the table holds afterwards.
TEST_F(ProcessScanTest, EveryFailureLeavesADefinedTable) {
    struct Case {
        const char* what;
        std::function<void(FakeWmi&, FileTableVersionLibrary&)> arrange;
        std::vector<Row> rows;
    };
    const std::vector<Row> none;
    const Row gamma_caption_only{"gamma.exe", "", "", "", ""};
    const Row gamma_file_only{"gamma.exe", "C:\\app\\gamma.exe", "", "", ""};
    const std::vector<Case> cases = {
        {"create locator", [](FakeWmi& w, auto&) { w.failing_step = WmiStep::CreateLocator; }, none},
        {"connect", [](FakeWmi& w, auto&) { w.failing_step = WmiStep::ConnectServer; }, none},
        {"execute query", [](FakeWmi& w, auto&) { w.failing_step = WmiStep::ExecQuery; }, none},
        {"enumerate", [](FakeWmi& w, auto&) { w.failing_step = WmiStep::Enumerate; }, none},
        {"fetch fails midway", [](FakeWmi& w, auto&) { w.fetch_fails_at = 1; }, {kAlpha}},
        {"fetch fails with a success code other than S_OK",
         [](FakeWmi& w, auto&) {
             w.fetch_fails_at = 1;
             w.fetch_failure = hresult::kFalse;
         },
         {kAlpha}},
        // One odd process is left out; the ones after it are still listed.
        {"value is not an object",
         [](FakeWmi& w, auto&) { w.processes[1].fetched = FakeProcess::Fetched::NotAnObject; },
         {kAlpha, kBeta}},
        {"object is no ISWbemObject",
         [](FakeWmi& w, auto&) { w.processes[1].fetched = FakeProcess::Fetched::NoSWbemObject; },
         {kAlpha, kBeta}},
        {"caption cannot be read", [](FakeWmi& w, auto&) { w.processes[1].caption.reset(); }, {kAlpha, kBeta}},
        {"caption is Null", [](FakeWmi& w, auto&) { w.processes[1].caption = WmiValue::Null(); }, {kAlpha, kBeta}},
        {"executable path cannot be read, and no ProcessId",
         [](FakeWmi& w, auto&) { w.processes[1].path.reset(); },
         {kAlpha, gamma_caption_only, kBeta}},
        {"executable path is Null, and no ProcessId",
         [](FakeWmi& w, auto&) { w.processes[1].path = WmiValue::Null(); },
         {kAlpha, gamma_caption_only, kBeta}},
        {"file has no version information", [](auto&, auto&) {}, {kAlpha, gamma_file_only, kBeta}},
        {"version block without a translation",
         [](auto&, FileTableVersionLibrary& v) {
             v.files["C:\\app\\gamma.exe"] = FakeVersionFile{{{"FileDescription", "G"}}, false, true};
         },
         {kAlpha, gamma_file_only, kBeta}},
        {"version block without fixed file information",
         [](auto&, FileTableVersionLibrary& v) {
             v.files["C:\\app\\gamma.exe"] = FakeVersionFile{{{"FileDescription", "G"}}, true, false};
         },
         {kAlpha, gamma_file_only, kBeta}},
        {"version strings missing",
         [](auto&, FileTableVersionLibrary& v) {
             v.files["C:\\app\\gamma.exe"] =
                 FakeVersionFile{{{"FileDescription", "Gamma"}, {"CompanyName", "Gamma plc"}}};
         },
         {kAlpha, {"gamma.exe", "C:\\app\\gamma.exe", "Gamma", "Gamma plc", ""}, kBeta}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScanWorld world;
        c.arrange(world.wmi, world.versions);
        world.Scan();
        EXPECT_EQ(world.Rows(), c.rows);
        world.ExpectCleanEnd();
    }
}

TEST_F(ProcessScanTest, OverlongTextIsCutAndTheReaderGetsTheStoredPath) {
    const std::string long_path = "C:\\" + std::string(196, 'd') + "\\x.exe";  // 206 characters
    const std::string stored = long_path.substr(0, 200);
    versions.files[stored] = FakeVersionFile{{{"FileDescription", "the cut path"}}};
    versions.files[long_path] = FakeVersionFile{{{"FileDescription", "the full path"}}};
    wmi.processes = {FakeProcess::Of(std::u16string(60, u'c'), std::u16string(long_path.begin(), long_path.end()))};
    Scan();
    ASSERT_EQ(Rows().size(), 1u);
    EXPECT_EQ(Rows()[0][0], std::string(50, 'c'));
    EXPECT_EQ(Rows()[0][1], stored);
    EXPECT_EQ(Rows()[0][2], "the cut path");
    EXPECT_EQ(versions.opened, std::vector<std::string>{stored});
}

// Where WMI gives no path, the process's id asks Windows for it; the
// middle process of three, under each way WMI and Windows can answer.
TEST_F(ProcessScanTest, WhereWmiHasNoPathTheProcessIdAsksWindows) {
    struct Case {
        const char* what;
        std::function<void(FakeProcess&)> arrange;
        bool windows_knows;                   // whether id 1234 has an image path
        std::vector<std::string> image_asks;  // the ids asked for, in order
        Row gamma;
    };
    const Row from_windows{"gamma.exe", "C:\\sys\\gamma.exe", "Gamma service", "Gamma plc", "Gamma"};
    const Row caption_only{"gamma.exe", "", "", "", ""};
    const std::vector<std::string> asked_1234{"ImagePath(1234)"};
    const std::vector<std::string> not_asked;
    auto id = [](const char16_t* text) { return WmiValue::Text(text); };
    const std::vector<Case> cases = {
        {"WMI gives the path: Windows is not asked", [](FakeProcess&) {}, true, not_asked, kGammaNoVersion},
        {"path cannot be read", [](FakeProcess& p) { p.path.reset(); }, true, asked_1234, from_windows},
        {"path is Null", [](FakeProcess& p) { p.path = WmiValue::Null(); }, true, asked_1234, from_windows},
        {"path is empty", [](FakeProcess& p) { p.path = WmiValue::Text(u""); }, true, asked_1234, from_windows},
        {"path holds no value at all", [](FakeProcess& p) { p.path = WmiValue{}; }, true, asked_1234, from_windows},
        {"Windows gives no path either (denied, ended)", [](FakeProcess& p) { p.path.reset(); }, false, asked_1234,
         caption_only},
        {"no ProcessId",
         [](FakeProcess& p) {
             p.path.reset();
             p.process_id.reset();
         },
         true, not_asked, caption_only},
        {"ProcessId is Null",
         [](FakeProcess& p) {
             p.path.reset();
             p.process_id = WmiValue::Null();
         },
         true, not_asked, caption_only},
        {"ProcessId is empty",
         [&](FakeProcess& p) {
             p.path.reset();
             p.process_id = id(u"");
         },
         true, not_asked, caption_only},
        {"ProcessId is not a number",
         [&](FakeProcess& p) {
             p.path.reset();
             p.process_id = id(u"12a4");
         },
         true, not_asked, caption_only},
        {"ProcessId is past 32 bits",
         [&](FakeProcess& p) {
             p.path.reset();
             p.process_id = id(u"4294967296");
         },
         true, not_asked, caption_only},
        // WMI carries a CIM uint32 as a signed 32-bit number.
        {"ProcessId past 2^31 comes negative",
         [&](FakeProcess& p) {
             p.path.reset();
             p.process_id = id(u"-4");
         },
         true,
         {"ImagePath(4294967292)"},
         caption_only},
        {"ProcessId 0 is asked for like any other",
         [&](FakeProcess& p) {
             p.path.reset();
             p.process_id = id(u"0");
         },
         true,
         {"ImagePath(0)"},
         caption_only},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScanWorld world;
        world.wmi.processes[1].process_id = id(u"1234");
        c.arrange(world.wmi.processes[1]);
        if (c.windows_knows) world.images.paths[1234] = "C:\\sys\\gamma.exe";
        world.versions.files["C:\\sys\\gamma.exe"] = FakeVersionFile{
            {{"FileDescription", "Gamma service"}, {"CompanyName", "Gamma plc"}, {"ProductName", "Gamma"}}};
        world.Scan();
        EXPECT_EQ(world.Rows(), (std::vector<Row>{kAlpha, c.gamma, kBeta}));
        std::vector<std::string> asks;
        for (const std::string& entry : world.wmi.own_log)
            if (entry.rfind("ImagePath", 0) == 0) asks.push_back(entry);
        EXPECT_EQ(asks, c.image_asks);
        world.ExpectCleanEnd();
    }
}

TEST_F(ProcessScanTest, TheFallbackAsksOnlyOnceWmiHasNoPathAndBeforeTheReader) {
    wmi.processes = {FakeProcess::WithId(u"svc.exe", 88)};
    images.paths[88] = "C:\\Windows\\svc.exe";
    Scan();
    EXPECT_EQ(wmi.own_log, (std::vector<std::string>{
                               "busy",
                               "CreateLocator",
                               "ConnectServer(|root\\cimv2|||||0)",
                               "ExecQuery(SELECT * FROM Win32_Process|WQL|0)",
                               "Enumerate",
                               "Fetch",
                               "TakeAsObject",
                               "ReadProperty(Caption)",
                               "ReadProperty(ExecutablePath)",
                               "ReadProperty(ProcessId)",
                               "ImagePath(88)",
                               "Fetch",
                               "default",
                           }));
    EXPECT_EQ(versions.opened, std::vector<std::string>{"C:\\Windows\\svc.exe"});
}

TEST_F(ProcessScanTest, AFallbackPathIsCutLikeWmisAndTheReaderGetsTheStoredText) {
    const std::string long_path = "C:\\" + std::string(196, 'f') + "\\y.exe";  // 206 characters
    const std::string stored = long_path.substr(0, 200);
    versions.files[stored] = FakeVersionFile{{{"FileDescription", "the cut path"}}};
    versions.files[long_path] = FakeVersionFile{{{"FileDescription", "the full path"}}};
    wmi.processes = {FakeProcess::WithId(u"long.exe", 5)};
    images.paths[5] = long_path;
    Scan();
    EXPECT_EQ(Rows(), (std::vector<Row>{{"long.exe", stored, "the cut path", "", ""}}));
    EXPECT_EQ(versions.opened, std::vector<std::string>{stored});
}

TEST_F(ProcessScanTest, WideTextBecomesTheAnsiCodePage) {
    // e-acute is in Windows-1252; a Cyrillic letter is not and becomes '?'.
    wmi.processes = {FakeProcess::Of(u"caf\u00e9 \u0436.exe", u"C:\\caf\u00e9.exe")};
    Scan();
    ASSERT_EQ(Rows().size(), 1u);
    EXPECT_EQ(Rows()[0][0], "caf\xe9 ?.exe");
    EXPECT_EQ(Rows()[0][1], "C:\\caf\xe9.exe");
    EXPECT_EQ(versions.opened, std::vector<std::string>{"C:\\caf\xe9.exe"});
}

TEST_F(ProcessScanTest, ASecondRunLeavesOnlyItsOwnRows) {
    Scan();
    ASSERT_EQ(Rows().size(), 3u);
    wmi.processes = {FakeProcess::Of(u"delta.exe", std::nullopt)};
    Scan();
    EXPECT_EQ(Rows(), (std::vector<Row>{{"delta.exe", "", "", "", ""}}));
    ExpectCleanEnd();

    // And after a run that found nothing, nothing is left either.
    wmi.failing_step = WmiStep::ExecQuery;
    Scan();
    EXPECT_TRUE(Rows().empty());
    ExpectCleanEnd();
}

TEST_F(ProcessScanTest, NoProcessesLeavesAnEmptyTableWithNoCurrentRow) {
    wmi.processes.clear();
    Scan();
    EXPECT_TRUE(Rows().empty());
    ExpectCleanEnd();
}

// The cursor sits outside the scan block: its failure reaches the caller,
// and the final actions still run first.
TEST_F(ProcessScanTest, AFailureOutsideTheScanStillRestoresCursorAndTable) {
    cursor.fail_busy = true;
    EXPECT_THROW(Scan(), std::runtime_error);
    EXPECT_EQ(wmi.own_log, (std::vector<std::string>{"busy", "default"}));
    EXPECT_FALSE(t.tblProcesses.ControlsDisabled());
    EXPECT_EQ(link.changed, 1);
    EXPECT_EQ(wmi.live_handles, 0);
}

}  // namespace
}  // namespace corvanta::test
