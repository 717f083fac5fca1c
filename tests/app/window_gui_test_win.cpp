// The main window in-process under Wine: a real TForm1 over the throwaway
// prefix's registry, with the test's own entries in the uninstall key.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/Unit1.h"
#include "app/error_box.h"
#include "app/shell_helpers.h"
#include "tests/support/message_pump_win.h"
#include "tests/support/test_registry_win.h"

namespace corvanta::test {
namespace {

using ::testing::ElementsAre;

// The program's main routine initialises COM for its thread; so does this
// test program, once, since turning to the hot-fix or process page asks WMI.
class ComApartment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }
};
::testing::Environment* const kCom = ::testing::AddGlobalTestEnvironment(new ComApartment);

constexpr char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Uninstall entries put into the prefix's registry (the program's own view
// of the machine's key, or the current user's key) and taken out again, also
// when a test fails.
class UninstallEntries {
public:
    void Add(const std::string& name, const std::string& version = "") { Add(RegView::kOwn, name, version); }
    void AddForCurrentUser(const std::string& name, const std::string& version = "") {
        Add(RegView::kCurrentUser, name, version);
    }
    void AddDwordName(DWORD value) { NewEntry(RegView::kOwn).SetDword("", "DisplayName", value); }

private:
    void Add(RegView view, const std::string& name, const std::string& version) {
        const TestKeyTree& entry = NewEntry(view);
        entry.SetString("", "DisplayName", name);
        if (!version.empty()) entry.SetString("", "DisplayVersion", version);
    }
    const TestKeyTree& NewEntry(RegView view) {
        const std::string path = std::string(kUninstall) + "\\CorvantaWindowTest" + std::to_string(entries_.size());
        return *entries_.emplace_back(std::make_unique<TestKeyTree>(path, view));
    }
    std::vector<std::unique_ptr<TestKeyTree>> entries_;
};

// What a grid shows in one column, in display order, as the ListView itself
// hands it out.
std::vector<std::string> Shown(TGrid& grid, int column = 0) {
    PumpMessages();
    std::vector<std::string> rows;
    const int count = static_cast<int>(SendMessageA(grid.Handle(), LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[512] = {};
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(grid.Handle(), LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        rows.emplace_back(text);
    }
    return rows;
}

// Only the test's own rows, keeping their order.
std::vector<std::string> Ours(const std::vector<std::string>& rows, const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const std::string& row : rows)
        if (std::find(names.begin(), names.end(), row) != names.end()) out.push_back(row);
    return out;
}

void ClickAt(HWND hwnd, POINT at) {
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    PumpMessages();
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void ClickTab(HWND tabs, int index) {
    RECT r{};
    SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    ClickAt(tabs, Centre(r));
}

void PressWithControl(HWND hwnd, WPARAM key) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(hwnd, WM_KEYDOWN, key, 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// Closes the next error box from another thread, keeping its text.
class ErrorBoxWatcher {
public:
    ErrorBoxWatcher()
        : thread_([this] {
              for (int i = 0; i < 400 && !stop_; ++i) {
                  HWND box = FindWindowA("#32770", "Corvanta");
                  if (box) {
                      char buffer[512] = {};
                      GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
                      text_ = buffer;
                      seen_ = true;
                      PostMessageA(box, WM_COMMAND, IDOK, 0);
                      return;
                  }
                  Sleep(25);
              }
          }) {}
    ~ErrorBoxWatcher() { Join(); }
    void Join() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool Seen() { return seen_; }
    std::string Text() { return text_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> seen_{false};
    std::string text_;
    std::thread thread_;
};

class MainWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        form.reset();
        PumpMessages();
    }
    void Open() {
        form = std::make_unique<TForm1>(nullptr);
        form->Show();
        PumpMessages();
    }
    UninstallEntries entries;
    std::unique_ptr<TForm1> form;
};

TEST_F(MainWindowTest, ShowsTheWindowFilledAndSortedByteByByte) {
    const std::vector<std::string> names{"beta tool", "Gamma Tool", "10 Utility", "2 Utility", "Zulu"};
    for (const std::string& name : names) entries.Add(name, "1.0");
    entries.Add("Windows Hotfix KB000001");
    entries.Add("Update for Windows (KB000002) hotfix");
    form = std::make_unique<TForm1>(nullptr);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_TRUE(form->Tables.kbmMemTable1.Active());  // FormCreate
    EXPECT_EQ(form->Button1ClickRuns, 0);
    form->Show();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(form->Button1ClickRuns, 1);
    EXPECT_EQ(form->ActivePage(), 0);
    // Digits, then capitals, then small letters; the table keeps scan order.
    EXPECT_THAT(Ours(Shown(*form->cxGrid1), names),
                ElementsAre("10 Utility", "2 Utility", "Gamma Tool", "Zulu", "beta tool"));
    EXPECT_THAT(Ours(Shown(*form->cxGrid2), {"Windows Hotfix KB000001", "Update for Windows (KB000002) hotfix"}),
                ElementsAre("Update for Windows (KB000002) hotfix", "Windows Hotfix KB000001"));
    // No rows for processes until the user turns to their page.
    EXPECT_EQ(Shown(*form->cxGrid3).size(), 0u);
}

TEST_F(MainWindowTest, APerUserProgramShowsOnTheSoftwarePage) {
    entries.Add("Corvanta machine-wide program", "1.0");
    entries.AddForCurrentUser("Corvanta per-user program", "2.5");
    Open();
    const std::vector<std::string> ours{"Corvanta machine-wide program", "Corvanta per-user program"};
    EXPECT_THAT(Ours(Shown(*form->cxGrid1), ours), ElementsAre(ours[0], ours[1]));
    const std::vector<std::string> versions = Shown(*form->cxGrid1, 1);
    const std::vector<std::string> programs = Shown(*form->cxGrid1);
    const auto row = std::find(programs.begin(), programs.end(), ours[1]) - programs.begin();
    ASSERT_LT(static_cast<std::size_t>(row), versions.size());
    EXPECT_EQ(versions[static_cast<std::size_t>(row)], "2.5");
}

TEST_F(MainWindowTest, WindowAndControlsFollowTheLayout) {
    Open();
    HWND hwnd = form->Handle();
    char caption[64] = {};
    GetWindowTextA(hwnd, caption, sizeof caption);
    EXPECT_STREQ(caption, "Dravenholt Corvanta");
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);  // no icon in the title bar

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, MulDiv(956, dpi, 96));
    EXPECT_EQ(client.bottom, MulDiv(577, dpi, 96));

    // Centred on the work area.
    RECT frame{}, work{};
    GetWindowRect(hwnd, &frame);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(frame.left - work.left, work.right - frame.right, 1);
    EXPECT_NEAR(frame.top - work.top, work.bottom - frame.bottom, 1);

    std::vector<std::string> tabs;
    for (int i = 0; i < 3; ++i) {
        char text[64] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(form->PageControl1, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        tabs.emplace_back(text);
    }
    EXPECT_THAT(tabs, ElementsAre("Installed Software", "Installed Hotfixes", "Running Processes"));

    // The hot-fix grid: one column, no header, no border. The others have both.
    EXPECT_TRUE(GetWindowLongA(form->cxGrid2->Handle(), GWL_STYLE) & LVS_NOCOLUMNHEADER);
    EXPECT_FALSE(GetWindowLongA(form->cxGrid2->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(form->cxGrid2->Columns().size(), 1u);
    for (TGrid* grid : {form->cxGrid1.get(), form->cxGrid3.get()}) {
        EXPECT_FALSE(GetWindowLongA(grid->Handle(), GWL_STYLE) & LVS_NOCOLUMNHEADER);
        EXPECT_TRUE(GetWindowLongA(grid->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    }
    std::vector<std::string> process_columns;
    for (const GridColumnSpec& column : form->cxGrid3->Columns()) process_columns.push_back(column.caption);
    EXPECT_THAT(process_columns, ElementsAre("Caption", "Product", "File", "Description", "Vendor"));
    EXPECT_TRUE(form->cxGrid1->FilterEnabled());
    EXPECT_FALSE(form->cxGrid3->FilterEnabled());
}

TEST_F(MainWindowTest, ColumnsSpanTheGridAlsoAfterTheUserResizesOne) {
    Open();
    for (TGrid* grid : {form->cxGrid1.get(), form->cxGrid2.get(), form->cxGrid3.get()}) {
        RECT client{};
        GetClientRect(grid->Handle(), &client);
        const std::vector<int> widths = grid->ColumnWidths();
        EXPECT_EQ(std::accumulate(widths.begin(), widths.end(), 0), client.right);
    }
    // Software 409 against Version's bound default (the "0" width times 50, plus 4).
    {
        const std::vector<int> widths = form->cxGrid1->ColumnWidths();
        EXPECT_GT(widths[0], widths[1]);
    }
    // The user drags the first column's edge: it keeps about its new width
    // and the columns still span the grid exactly.
    TGrid& grid = *form->cxGrid3;
    RECT client{};
    GetClientRect(grid.Handle(), &client);
    SendMessageA(grid.Handle(), LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(300, 0));
    PumpMessages();
    const std::vector<int> widths = grid.ColumnWidths();
    EXPECT_EQ(widths[0], 300);
    EXPECT_EQ(std::accumulate(widths.begin(), widths.end(), 0), client.right);
}

TEST_F(MainWindowTest, OnlyTheUsersTurnToRunningProcessesRunsTheProcessScan) {
    entries.Add("Alpha Before", "1");
    Open();
    ClickTab(form->PageControl1, 1);
    EXPECT_EQ(form->ActivePage(), 1);
    EXPECT_TRUE(IsWindowVisible(form->TabSheet2));
    EXPECT_FALSE(IsWindowVisible(form->tsProcesses));
    entries.Add("Alpha After", "1");
    ClickTab(form->PageControl1, 0);
    EXPECT_EQ(form->ActivePage(), 0);
    // No scan ran again: a program installed meanwhile does not appear.
    EXPECT_EQ(form->Button1ClickRuns, 1);
    EXPECT_EQ(form->RefreshProcessesRuns, 0);
    EXPECT_THAT(Ours(Shown(*form->cxGrid1), {"Alpha Before", "Alpha After"}), ElementsAre("Alpha Before"));

    ClickTab(form->PageControl1, 2);
    EXPECT_EQ(form->RefreshProcessesRuns, 1);
    ClickTab(form->PageControl1, 2);  // the active tab: no change, no scan
    EXPECT_EQ(form->RefreshProcessesRuns, 1);
    SendMessageA(form->PageControl1, TCM_SETCURSEL, 0, 0);  // a change made by code
    SendMessageA(form->PageControl1, TCM_SETCURSEL, 2, 0);
    PumpMessages();
    EXPECT_EQ(form->RefreshProcessesRuns, 1);
    // Ctrl+Tab from a grid turns the page as the user.
    ClickTab(form->PageControl1, 1);
    PressWithControl(form->cxGrid2->Handle(), VK_TAB);
    PumpMessages();
    EXPECT_EQ(form->ActivePage(), 2);
    EXPECT_EQ(form->RefreshProcessesRuns, 2);
}

TEST_F(MainWindowTest, TurningToRunningProcessesListsTheRunningProcesses) {
    Open();
    EXPECT_TRUE(Shown(*form->cxGrid3).empty());
    ClickTab(form->PageControl1, 2);
    const std::vector<std::string> captions = Shown(*form->cxGrid3);
    EXPECT_THAT(captions, ::testing::Contains("window_gui_tests.exe"));
    EXPECT_TRUE(std::is_sorted(captions.begin(), captions.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        });
    }));
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW)) << "the busy cursor is gone after the scan";
    // Under Wine every path comes from the process id, WMI giving none: this
    // program's row names its own file.
    char own[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, own, sizeof own);
    const std::vector<std::string> files = Shown(*form->cxGrid3, 2);
    const auto self = std::find(captions.begin(), captions.end(), "window_gui_tests.exe");
    ASSERT_NE(self, captions.end());
    EXPECT_EQ(files[static_cast<std::size_t>(self - captions.begin())], own);
}

// Wine's Win32_QuickFixEngineering has one update, KB1234567.
TEST_F(MainWindowTest, TheUsersFirstTurnToInstalledHotfixesAddsTheInstalledUpdatesOnce) {
    entries.Add("Windows Hotfix KB000001");
    const std::vector<std::string> ours{"Windows Hotfix KB000001", "KB1234567 (Update)"};
    Open();
    EXPECT_THAT(Ours(Shown(*form->cxGrid2), ours), ElementsAre("Windows Hotfix KB000001"));
    // A change made by code runs nothing.
    SendMessageA(form->PageControl1, TCM_SETCURSEL, 1, 0);
    PumpMessages();
    SendMessageA(form->PageControl1, TCM_SETCURSEL, 0, 0);
    EXPECT_EQ(form->RefreshHotFixesRuns, 0);
    EXPECT_THAT(Ours(Shown(*form->cxGrid2), ours), ElementsAre("Windows Hotfix KB000001"));

    ClickTab(form->PageControl1, 1);
    EXPECT_EQ(form->RefreshHotFixesRuns, 1);
    EXPECT_THAT(Ours(Shown(*form->cxGrid2), ours), ElementsAre("KB1234567 (Update)", "Windows Hotfix KB000001"));
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW)) << "the busy cursor is gone after the query";
    EXPECT_EQ(form->RefreshProcessesRuns, 0);

    // Later turns, and a click on the active tab, keep what the first found.
    ClickTab(form->PageControl1, 1);
    ClickTab(form->PageControl1, 0);
    ClickTab(form->PageControl1, 1);
    EXPECT_EQ(form->RefreshHotFixesRuns, 1);
    EXPECT_THAT(Ours(Shown(*form->cxGrid2), ours), ElementsAre("KB1234567 (Update)", "Windows Hotfix KB000001"));
}

// The WMI locator class pointed at a DLL that does not exist, for one test:
// the program's own view of the class registration, put back however the
// test ends.
class BrokenWmiLocator {
    TemporaryRegValue server_{HKEY_CLASSES_ROOT, "CLSID\\{76A64158-CB41-11D1-8B02-00600806D9B6}\\InprocServer32",
                              nullptr, "corvanta_no_such_wmi.dll"};
};

// When the locator cannot be created, the failure goes to the error box, and
// the page with the uninstall key's hot-fixes stays usable.
TEST_F(MainWindowTest, AFailedUpdateQueryGoesToTheErrorBoxAndThePageStays) {
    entries.Add("Windows Hotfix KB000003");
    Open();
    {
        BrokenWmiLocator broken;
        ErrorBoxWatcher watcher;
        ClickTab(form->PageControl1, 1);
        watcher.Join();
        ASSERT_TRUE(watcher.Seen());
        EXPECT_THAT(watcher.Text(), ::testing::StartsWith("WMI call failed with code 0x8"));
    }
    EXPECT_EQ(form->ActivePage(), 1);
    EXPECT_TRUE(IsWindowVisible(form->TabSheet2));
    EXPECT_THAT(Ours(Shown(*form->cxGrid2), {"Windows Hotfix KB000003", "KB1234567 (Update)"}),
                ElementsAre("Windows Hotfix KB000003"));
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
    // The page works on, and the query is not tried again.
    ClickTab(form->PageControl1, 0);
    ClickTab(form->PageControl1, 1);
    EXPECT_EQ(form->ActivePage(), 1);
    EXPECT_EQ(form->RefreshHotFixesRuns, 1);
    EXPECT_EQ(FindWindowA("#32770", "Corvanta"), nullptr);
}

TEST_F(MainWindowTest, HeaderClickSortsAndReverses) {
    const std::vector<std::string> names{"Sort b", "Sort a", "Sort c"};
    entries.Add("Sort b", "2");
    entries.Add("Sort a", "3");
    entries.Add("Sort c", "1");
    Open();
    TGrid& grid = *form->cxGrid1;
    auto click_header = [&](int column) {
        RECT r{};
        SendMessageA(grid.Header(), HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&r));
        ClickAt(grid.Header(), POINT{r.left + 10, (r.top + r.bottom) / 2});
    };
    auto arrow = [&](int column) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        SendMessageA(grid.Header(), HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    };
    EXPECT_EQ(arrow(0), HDF_SORTUP);
    click_header(0);
    EXPECT_THAT(Ours(Shown(grid), names), ElementsAre("Sort c", "Sort b", "Sort a"));
    EXPECT_EQ(arrow(0), HDF_SORTDOWN);
    click_header(1);  // by Version
    EXPECT_THAT(Ours(Shown(grid), names), ElementsAre("Sort c", "Sort b", "Sort a"));
    EXPECT_EQ(arrow(0), 0);
    EXPECT_EQ(arrow(1), HDF_SORTUP);
    click_header(1);
    EXPECT_THAT(Ours(Shown(grid), names), ElementsAre("Sort a", "Sort b", "Sort c"));
    // The table keeps its own order.
    std::vector<std::string> table_order;
    for (std::size_t row = 0; row < form->Tables.kbmMemTable1.RecordCount(); ++row)
        table_order.emplace_back(form->Tables.kbmMemTable1.Cell(row, 0));
    EXPECT_THAT(Ours(table_order, names), ElementsAre("Sort b", "Sort a", "Sort c"));
}

TEST_F(MainWindowTest, AFilterChoiceFiltersAndCopyTakesWhatIsShown) {
    entries.Add("Filter One", "7.7.7-test");
    entries.Add("filter two", "7.7.7-test");
    entries.Add("Filter Three", "8.8.8-test");
    entries.Add("Filter Blank");
    Open();
    TGrid& grid = *form->cxGrid1;
    const std::vector<std::string> choices = grid.FilterChoices(1);
    ASSERT_GE(choices.size(), 5u);
    EXPECT_THAT(std::vector<std::string>(choices.begin(), choices.begin() + 3),
                ElementsAre("(All)", "(Blanks)", "(Non blanks)"));
    EXPECT_TRUE(std::is_sorted(choices.begin() + 3, choices.end()));
    const auto at = std::find(choices.begin(), choices.end(), "7.7.7-test");
    ASSERT_NE(at, choices.end());
    grid.ChooseFilter(1, static_cast<std::size_t>(at - choices.begin()));
    EXPECT_THAT(Shown(grid), ElementsAre("Filter One", "filter two"));
    EXPECT_TRUE(grid.Model().Filter(1).Active());

    // Ctrl+A, Ctrl+C: the rows shown, in display order, tab-separated.
    SetFocus(grid.Handle());
    PressWithControl(grid.Handle(), 'A');
    PressWithControl(grid.Handle(), 'C');
    EXPECT_EQ(ClipboardText(), "Filter One\t7.7.7-test\r\nfilter two\t7.7.7-test\r\n");
    // Columns copy in the order the user dragged them to.
    int order[] = {1, 0};
    SendMessageA(grid.Handle(), LVM_SETCOLUMNORDERARRAY, 2, reinterpret_cast<LPARAM>(order));
    PressWithControl(grid.Handle(), 'A');
    PressWithControl(grid.Handle(), 'C');
    EXPECT_EQ(ClipboardText(), "7.7.7-test\tFilter One\r\n7.7.7-test\tfilter two\r\n");

    grid.ChooseFilter(1, 1);  // (Blanks)
    EXPECT_THAT(Ours(Shown(grid), {"Filter One", "filter two", "Filter Three", "Filter Blank"}),
                ElementsAre("Filter Blank"));
    grid.ChooseFilter(1, 0);  // (All)
    EXPECT_FALSE(grid.Model().Filter(1).Active());
    EXPECT_EQ(Ours(Shown(grid), {"Filter One", "filter two", "Filter Three", "Filter Blank"}).size(), 4u);
}

TEST_F(MainWindowTest, TheHeadersDropDownButtonOpensTheFilterMenu) {
    entries.Add("Menu With Version", "1.0");
    entries.Add("Menu Without Version");
    Open();
    TGrid& grid = *form->cxGrid1;
    // Picks "(Blanks)", the second entry, with the keyboard once the menu is up.
    std::atomic<bool> menu_seen{false};
    std::thread chooser([&] {
        for (int i = 0; i < 200; ++i) {
            HWND menu = FindWindowA("#32768", nullptr);
            if (menu && IsWindowVisible(menu)) {
                menu_seen = true;
                for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageA(menu, WM_KEYDOWN, key, 0);
                return;
            }
            Sleep(25);
        }
    });
    const RECT button = grid.FilterButtonRect(1);
    SendMessageA(grid.Header(), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2));
    chooser.join();
    PumpMessages();
    EXPECT_TRUE(menu_seen);
    EXPECT_EQ(grid.Model().Filter(1).kind, FilterKind::Blanks);
    EXPECT_THAT(Ours(Shown(grid), {"Menu With Version", "Menu Without Version"}), ElementsAre("Menu Without Version"));
    // The click opened the menu; it did not sort.
    EXPECT_EQ(grid.Model().SortField(), std::optional<std::size_t>(0));
    // The process grid has no drop-down: a click there sorts.
    TGrid& processes = *form->cxGrid3;
    const RECT edge = processes.FilterButtonRect(1);
    ClickAt(processes.Header(), POINT{(edge.left + edge.right) / 2, (edge.top + edge.bottom) / 2});
    EXPECT_EQ(processes.Model().SortField(), processes.Columns()[1].field);
}

TEST_F(MainWindowTest, AnErrorInTheScanGoesToTheErrorBoxAndTheWindowShowsAnyway) {
    entries.Add("Before The Error", "1");
    entries.AddDwordName(5);
    form = std::make_unique<TForm1>(nullptr);
    ErrorBoxWatcher watcher;
    form->Show();
    watcher.Join();
    ASSERT_TRUE(watcher.Seen());
    EXPECT_EQ(watcher.Text(), "Invalid data type for 'DisplayName'");
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_THAT(Ours(Shown(*form->cxGrid1), {"Before The Error"}), ElementsAre("Before The Error"));
}

class RecordingShell : public ShellApi {
public:
    std::vector<std::string> opened;
    std::uintptr_t Execute(const char* verb, const char* file, const char*, const char*, int show) override {
        opened.push_back(std::string(verb) + " " + file + " " + std::to_string(show));
        return 2;  // ERROR_FILE_NOT_FOUND: the shell could not open it
    }
    void ApplyCursor(int) override {}
};

TEST_F(MainWindowTest, AClickOnTheLinkOpensTheMakersSiteAndAFailureShowsNothing) {
    Open();
    RecordingShell shell;
    SetShellForTesting(&shell);
    ClickAt(form->Handle(), Centre(form->Label3.Bounds()));
    SetShellForTesting(nullptr);
    EXPECT_THAT(shell.opened, ElementsAre("open http://www.dravenholt.example 1"));
    EXPECT_EQ(FindWindowA("#32770", "Corvanta"), nullptr);
    // A click beside the link does nothing.
    SetShellForTesting(&shell);
    ClickAt(form->Handle(), POINT{form->Label3.Bounds().right + 20, form->Label3.Bounds().top + 2});
    SetShellForTesting(nullptr);
    EXPECT_EQ(shell.opened.size(), 1u);
}

TEST_F(MainWindowTest, TheBusyCursorCoversEveryControlUntilTheDefaultIsBack) {
    Open();
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    auto cursor_over = [](HWND hwnd) {
        SendMessageA(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    ShowBusyCursor();
    ShowBusyCursor();
    EXPECT_EQ(GetCursor(), wait);  // at once, with no message handled
    for (HWND hwnd : {form->Handle(), form->PageControl1, form->cxGrid1->Handle(), form->cxGrid1->Header()})
        EXPECT_EQ(cursor_over(hwnd), wait);
    ShowDefaultCursor();  // one call undoes both
    EXPECT_EQ(cursor_over(form->cxGrid1->Handle()), arrow);
    EXPECT_EQ(cursor_over(form->PageControl1), arrow);
    ScreenCursorService().ShowBusyCursor();
    EXPECT_EQ(cursor_over(form->cxGrid1->Handle()), wait);
    ScreenCursorService().ShowDefaultCursor();
    EXPECT_EQ(cursor_over(form->cxGrid1->Handle()), arrow);

    // Over the link line: a pointing hand, unless the program is busy.
    POINT link = Centre(form->Label3.Bounds());
    ClientToScreen(form->Handle(), &link);
    SetCursorPos(link.x, link.y);
    HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
    EXPECT_EQ(cursor_over(form->Handle()), hand);
    ShowBusyCursor();
    EXPECT_EQ(cursor_over(form->Handle()), wait);
    ShowDefaultCursor();  // the window under the pointer takes its own cursor at once
    EXPECT_EQ(GetCursor(), hand);
}

// Scaling: the same window in a child process started at 144 DPI (Wine
// reads the setting when a process starts).
TEST(MainWindowDpi, At144DpiEverythingIsHalfAgainAsLargeAndFits) {
    std::optional<TemporaryRegValue> dpi_setting;
    dpi_setting.emplace(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", DWORD{144});

    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string command = std::string("\"") + path +
                          "\" --gtest_brief=1 --gtest_also_run_disabled_tests "
                          "--gtest_filter=MainWindowDpi.DISABLED_ChildAt144Dpi";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // the child's report goes to ours
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    DWORD exit_code = 99;
    if (started) {
        WaitForSingleObject(process.hProcess, 120000);
        GetExitCodeProcess(process.hProcess, &exit_code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    dpi_setting.reset();
    ASSERT_TRUE(started);
    EXPECT_EQ(exit_code, 0u) << "the window at 144 DPI failed its checks (see the child's output)";
}

// Run only by the test above, in its own process.
TEST(MainWindowDpi, DISABLED_ChildAt144Dpi) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 144);
    TForm1 form(nullptr);
    form.Show();
    PumpMessages();
    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, 1434);
    EXPECT_EQ(client.bottom, 866);
    auto inside = [&](const RECT& r) {
        return r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom;
    };
    auto rect_of = [&](HWND hwnd) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    const RECT tabs = rect_of(form.PageControl1);
    EXPECT_EQ(tabs.left, 24);
    EXPECT_EQ(tabs.top, 72);
    EXPECT_EQ(tabs.right - tabs.left, 1394);  // 929 * 1.5, rounded
    EXPECT_TRUE(inside(tabs));
    EXPECT_TRUE(inside(form.Label2.Bounds()));
    EXPECT_TRUE(inside(form.Label3.Bounds()));
    EXPECT_LE(form.Label2.Bounds().bottom, tabs.top);
    EXPECT_LE(tabs.bottom, form.Label3.Bounds().top);
    EXPECT_EQ(form.Image1.right - form.Image1.left, 50);  // 33 * 1.5, rounded
    for (TGrid* grid : {form.cxGrid1.get(), form.cxGrid2.get(), form.cxGrid3.get()}) {
        RECT list{};
        GetClientRect(grid->Handle(), &list);
        const std::vector<int> widths = grid->ColumnWidths();
        EXPECT_EQ(std::accumulate(widths.begin(), widths.end(), 0), list.right);
    }
}

}  // namespace
}  // namespace corvanta::test
