// The window's logic without a window: grid order, widths, filters, copy
// text, the layout reader, the error box text and the shell helpers' rules.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <numeric>
#include <random>
#include <sstream>

#include "app/error_box.h"
#include "app/grid_model.h"
#include "app/layout.h"
#include "app/shell_helpers.h"

namespace corvanta::test {
namespace {

using ::testing::ElementsAre;

// ---- comparator --------------------------------------------------------

TEST(CompareCellText, OrdersByUnsignedBytes) {
    struct Case {
        std::string_view a, b;
        int sign;
    };
    const Case cases[] = {
        {"", "", 0},
        {"", "0", -1},          // empty text first
        {"9", "A", -1},         // digits before capitals
        {"Zulu", "alpha", -1},  // every capital before every small letter
        {"Gamma", "beta", -1},
        {"abc", "abcd", -1},  // a prefix first
        {"abc", "abc", 0},
        {"z", "\xE9", -1},  // bytes above 127 after ASCII, not below it
        {"\x7F", "\x80", -1},
        {"Program 12345678", "Program 12345679", -1},             // differ past the first eight bytes
        {"Program Files Common 1", "Program Files Common 0", 1},  // past the first sixteen
        {"Program \xE9xxxxxxxx", "Program zxxxxxxxx", 1},
        {"abcdefgh", "abcdefghi", -1},
        {"abcdefghijklmnop", "abcdefghijklmnop", 0},
    };
    for (const Case& c : cases) {
        const int got = CompareCellText(c.a, c.b);
        EXPECT_EQ((got > 0) - (got < 0), c.sign) << '"' << c.a << "\" vs \"" << c.b << '"';
        const int back = CompareCellText(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << '"' << c.b << "\" vs \"" << c.a << '"';
    }
}

// ---- grid order --------------------------------------------------------

class GridModelTest : public ::testing::Test {
protected:
    MemTable table{"t", {{"Software", 100}, {"Version", 50}}};

    void Add(std::string_view software, std::string_view version = "") {
        table.Append();
        table.SetColumn(0, software);
        table.SetColumn(1, version);
        table.Post();
    }

    static std::vector<std::string> Shown(GridModel& model, std::size_t field = 0) {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < model.Count(); ++i) out.emplace_back(model.Text(i, field));
        return out;
    }
};

TEST_F(GridModelTest, PostedRowsStayInSortedOrderAndTableOrderIsUntouched) {
    GridModel model(table);
    model.SetSort(0, false);
    for (const char* name : {"beta", "Gamma", "", "10", "1", "beta"}) {
        Add(name);
        model.RowPosted(table.RecordCount() - 1);
        // Read after every post, as a display following each row does.
        (void)model.Count();
    }
    EXPECT_THAT(Shown(model), ElementsAre("", "1", "10", "Gamma", "beta", "beta"));
    EXPECT_EQ(table.Cell(0, 0), "beta");
    EXPECT_EQ(table.Cell(1, 0), "Gamma");
    // Equal texts keep table order: the first "beta" is row 0.
    EXPECT_EQ(model.RowAt(4), 0u);
    EXPECT_EQ(model.RowAt(5), 5u);
}

TEST_F(GridModelTest, InsertionAgreesWithAFullStableSort) {
    // Rows posted one by one (merged in small and large batches) end where a
    // stable sort of the whole table puts them, both directions.
    std::mt19937 random(7);
    for (bool descending : {false, true}) {
        MemTable t{"t", {{"A", 30}}};
        GridModel model(t);
        model.SetSort(0, descending);
        for (int batch : {1, 3, 50, 2, 400}) {
            for (int i = 0; i < batch; ++i) {
                t.Append();
                // Short texts, texts sharing an 8-byte prefix, bytes above 127.
                static const char* stems[] = {
                    "", "Program ", "program ", "Program \xE9", "Pro", "Program Files Common ", "Program Files Commo"};
                t.SetColumn(0, stems[random() % 7] + std::to_string(random() % 300));
                t.Post();
                model.RowPosted(t.RecordCount() - 1);
            }
            (void)model.Count();
        }
        std::vector<std::size_t> expected(t.RecordCount());
        std::iota(expected.begin(), expected.end(), 0);
        // The standard library's char comparison is on unsigned bytes too.
        std::stable_sort(expected.begin(), expected.end(), [&](std::size_t a, std::size_t b) {
            const int c = t.Cell(a, 0).compare(t.Cell(b, 0));
            return descending ? c > 0 : c < 0;
        });
        for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(model.RowAt(i), expected[i]) << i;
    }
}

TEST_F(GridModelTest, ReSortReversesAndSortsByOtherColumns) {
    Add("b", "2");
    Add("a", "3");
    Add("c", "1");
    GridModel model(table);
    model.SetSort(0, false);
    model.Reload();
    EXPECT_THAT(Shown(model), ElementsAre("a", "b", "c"));
    model.SetSort(0, true);
    EXPECT_THAT(Shown(model), ElementsAre("c", "b", "a"));
    model.SetSort(1, false);
    EXPECT_THAT(Shown(model), ElementsAre("c", "b", "a"));
    model.SetSort(std::nullopt, false);
    EXPECT_THAT(Shown(model), ElementsAre("b", "a", "c"));
}

TEST_F(GridModelTest, FiltersChooseRowsAndFollowPostsAndEmptying) {
    Add("Gamma", "1.0");
    Add("beta", "");
    Add("alpha", "1.0");
    GridModel model(table);
    model.SetSort(0, false);
    model.Reload();

    struct Case {
        ColumnFilter filter;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {{FilterKind::All, ""}, {"Gamma", "alpha", "beta"}},
        {{FilterKind::Blanks, ""}, {"beta"}},
        {{FilterKind::NonBlanks, ""}, {"Gamma", "alpha"}},
        {{FilterKind::Value, "1.0"}, {"Gamma", "alpha"}},
        {{FilterKind::Value, "9"}, {}},
    };
    for (const Case& c : cases) {
        model.SetFilter(1, c.filter);
        EXPECT_EQ(Shown(model), c.shown) << static_cast<int>(c.filter.kind) << c.filter.value;
    }

    model.SetFilter(1, {FilterKind::Blanks, ""});
    Add("delta", "");
    model.RowPosted(3);
    Add("epsilon", "2.0");
    model.RowPosted(4);
    EXPECT_THAT(Shown(model), ElementsAre("beta", "delta"));

    table.Empty();
    model.Reload();
    EXPECT_EQ(model.Count(), 0u);
}

TEST_F(GridModelTest, DistinctValuesAreSortedUniqueAndWithoutBlanks) {
    for (const char* v : {"b", "", "B", "b", "10", "2"}) Add("x", v);
    EXPECT_THAT(DistinctValues(table, 1), ElementsAre("10", "2", "B", "b"));
    EXPECT_THAT(DistinctValues(MemTable{"e", {{"A", 1}}}, 0), ElementsAre());
}

TEST_F(GridModelTest, CopyTextFollowsTheGivenRowsAndColumns) {
    Add("b", "2");
    Add("a", "");
    GridModel model(table);
    model.SetSort(0, false);
    model.Reload();
    EXPECT_EQ(model.CopyText({0, 1}, {0, 1}), "a\t\r\nb\t2\r\n");
    EXPECT_EQ(model.CopyText({1}, {1, 0}), "2\tb\r\n");
    EXPECT_EQ(model.CopyText({}, {0, 1}), "");
}

// ---- widths ------------------------------------------------------------

TEST(FitWidths, SpansTheTotalExactlyInProportion) {
    struct Case {
        std::vector<int> relative;
        int total;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {{100, 100}, 201, {101, 100}},
        {{409, 304}, 713, {409, 304}},
        {{409, 304}, 900, {516, 384}},
        {{654}, 917, {917}},
        {{145, 173, 275, 219, 107}, 919, {145, 173, 275, 219, 107}},
        {{1, 1, 1}, 2, {1, 1, 0}},
        {{0, 10}, 11, {1, 10}},  // a zero width still counts as one
        {{5, 5}, 0, {0, 0}},
        {{}, 100, {}},
    };
    for (const Case& c : cases) {
        const std::vector<int> got = FitWidths(c.relative, c.total);
        EXPECT_EQ(got, c.expected);
        if (!c.relative.empty() && c.total > 0) {
            EXPECT_EQ(std::accumulate(got.begin(), got.end(), 0), c.total);
        }
    }
}

TEST(FitWidths, AfterADragTheColumnKeepsItsWidthAndTheRestFills) {
    struct Case {
        std::vector<int> widths;
        std::size_t resized;
        int total;
        std::vector<int> expected;
    };
    const Case cases[] = {
        // Widened first column: the second gives way.
        {{600, 300}, 0, 800, {600, 200}},
        // Shrunk middle column: only the columns after it grow.
        {{200, 100, 300}, 1, 700, {200, 100, 400}},
        // The last column pushes on the columns before it.
        {{100, 100, 500}, 2, 600, {50, 50, 500}},
        // Dragged past the edge: clamped so the others keep the minimum.
        {{1000, 100}, 0, 800, {792, 8}},
        // Dragged below the minimum.
        {{2, 500}, 0, 500, {8, 492}},
    };
    for (const Case& c : cases) {
        const std::vector<int> got = FitAfterResize(c.widths, c.resized, c.total, 8);
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(std::accumulate(got.begin(), got.end(), 0), c.total);
    }
}

TEST(FitWidths, BoundDefaultIsZeroWidthTimesDisplayWidthPlusFour) {
    EXPECT_EQ(DefaultColumnWidth(6, 50), 304);
    EXPECT_EQ(DefaultColumnWidth(9, 50), 454);
}

// ---- error box text ----------------------------------------------------

TEST(ErrorBoxText, AddsAPeriodOnlyAfterCharactersAbovePeriod) {
    const std::pair<std::string, std::string> cases[] = {
        {"Access denied", "Access denied."},
        {"Code 5", "Code 5."},
        {"Invalid data type for 'DisplayName'", "Invalid data type for 'DisplayName'"},
        {"Done.", "Done."},
        {"Say \"hi\"", "Say \"hi\""},
        {"Half-", "Half-"},
        {"Slash/", "Slash/."},
        {"Caf\xE9", "Caf\xE9."},  // an ANSI letter counts as above '.'
        {"", ""},
    };
    for (const auto& [message, shown] : cases) EXPECT_EQ(ErrorBoxText(message), shown) << message;
}

// ---- shell helpers -----------------------------------------------------

class FakeShell : public ShellApi {
public:
    std::uintptr_t result = 42;
    bool fail = false;
    std::vector<std::string> calls;
    std::vector<int> cursors;

    std::uintptr_t Execute(const char* verb, const char* file, const char* parameters, const char* directory,
                           int show) override {
        if (fail) throw std::runtime_error("no shell");
        calls.push_back(std::string(verb) + "|" + file + "|" + parameters + "|" + directory + "|" +
                        std::to_string(show));
        return result;
    }
    void ApplyCursor(int cursor) override { cursors.push_back(cursor); }
};

TEST(OpenWebAddress, FormsTheAddressAndReadsTheShellResult) {
    struct Case {
        std::string address;
        bool secure;
        std::uintptr_t result;
        std::string call;
        bool opened;
    };
    const Case cases[] = {
        {"www.dravenholt.example", false, 42, "open|http://www.dravenholt.example|||1", true},
        {"www.dravenholt.example", true, 42, "open|https://www.dravenholt.example|||1", true},
        {"http://x.example", false, 42, "open|http://http://x.example|||1", true},  // used unchanged
        {" a b ", false, 42, "open|http:// a b |||1", true},
        {"", false, 42, "open|http://|||1", true},
        {"x", false, 32, "open|http://x|||1", false},
        {"x", false, 33, "open|http://x|||1", true},
        {"x", false, 0, "open|http://x|||1", false},
    };
    for (const Case& c : cases) {
        FakeShell shell;
        shell.result = c.result;
        EXPECT_EQ(OpenWebAddress(shell, c.address, c.secure), c.opened) << c.address;
        EXPECT_THAT(shell.calls, ElementsAre(c.call));
    }
}

TEST(OpenWebAddress, AnExceptionIsDroppedAndGivesTrue) {
    FakeShell shell;
    shell.fail = true;
    EXPECT_TRUE(OpenWebAddress(shell, "x", false));
}

TEST(ScreenCursor, SetsOnlyChangesAndKeepsNoCount) {
    FakeShell shell;
    ScreenCursor screen(shell);
    screen.SetCursor(crDefault);  // already in force: nothing
    screen.SetCursor(crHourGlass);
    screen.SetCursor(crHourGlass);
    EXPECT_EQ(screen.Cursor(), crHourGlass);
    screen.SetCursor(crDefault);  // one default undoes both busy calls
    EXPECT_EQ(screen.Cursor(), crDefault);
    EXPECT_THAT(shell.cursors, ElementsAre(crHourGlass, crDefault));
}

// ---- layout ------------------------------------------------------------

TEST(Layout, ReadsItemsAndTypedValues) {
    const Layout layout = ParseLayout(
        "# comment\r\n"
        "\n"
        "form F caption=\"A \\\"quoted\\\" \\\\ title\" client=956,577 color=33,93,198\n"
        "  label L parent=F pos=-1,2 bold=1\n");
    ASSERT_EQ(layout.items.size(), 2u);
    const LayoutItem& form = layout.Find("F");
    EXPECT_EQ(form.kind, "form");
    EXPECT_EQ(form.Text("caption"), "A \"quoted\" \\ title");
    EXPECT_EQ(form.Ints("client", 2), (std::vector<int>{956, 577}));
    EXPECT_EQ(form.Color("color"), 0xC65D21u);
    const LayoutItem& label = layout.Find("L");
    EXPECT_EQ(label.line, 4);
    EXPECT_EQ(label.Ints("pos", 2), (std::vector<int>{-1, 2}));
    EXPECT_TRUE(label.Flag("bold", false));
    EXPECT_FALSE(label.Flag("italic", false));
    EXPECT_EQ(label.Int("size", 11), 11);
    ASSERT_EQ(layout.Children("label", "F").size(), 1u);
}

TEST(Layout, ADamagedLayoutThrowsNamingTheLine) {
    const char* bad[] = {
        "form",                     // no name
        "form F caption=\"open",    // unterminated quote
        "form F caption=\"a\\n\"",  // unknown escape
        "form F caption=\"a\"b",    // junk after a quote
        "form F x=a\"b",            // stray quote
        "form F x",                 // no '='
        "form F x=1 x=2",           // repeated key
        "form F\nform F",           // repeated name
        "form F-G",                 // bad name
    };
    for (const char* text : bad) {
        EXPECT_THROW(ParseLayout(text), ELayoutError) << text;
    }
    EXPECT_THROW(ParseLayout(std::string_view("form F x=1\0", 11)), ELayoutError);
    EXPECT_THROW(ParseLayout(std::string(5000, 'a')), ELayoutError);
    std::string many;
    for (int i = 0; i < 1001; ++i) many += "x n" + std::to_string(i) + "\n";
    EXPECT_THROW(ParseLayout(many), ELayoutError);
    try {
        ParseLayout("form A\nform B c=\"x");
        FAIL();
    } catch (const ELayoutError& e) {
        EXPECT_THAT(e.Message(), ::testing::StartsWith("Layout line 2:"));
    }
}

TEST(Layout, BadValuesThrowWhenRead) {
    const Layout layout =
        ParseLayout("x A n=12a big=100001 rect=1,2,3 rect5=1,2,3,4,5 empty=1,,2 c=0,0,256 f=2 neg=-100000\n");
    const LayoutItem& a = layout.Find("A");
    EXPECT_THROW(a.Int("n"), ELayoutError);
    EXPECT_THROW(a.Int("big"), ELayoutError);
    EXPECT_THROW(a.Int("missing"), ELayoutError);
    EXPECT_THROW(a.Ints("rect", 4), ELayoutError);
    EXPECT_THROW(a.Ints("rect5", 4), ELayoutError);
    EXPECT_THROW(a.Ints("empty", 3), ELayoutError);
    EXPECT_THROW(a.Color("c"), ELayoutError);
    EXPECT_THROW(a.Flag("f", false), ELayoutError);
    EXPECT_EQ(a.Int("neg"), -100000);
    EXPECT_THROW(layout.Find("B"), ELayoutError);
}

TEST(Layout, AKeyNoCodeReadIsRejectedNamingItsLine) {
    const Layout layout = ParseLayout("form F size=11 colour=1,2,3\nlabel L parent=F\n");
    EXPECT_EQ(layout.Find("F").Int("size"), 11);
    (void)layout.Children("label", "F");
    try {
        layout.RejectUnreadKeys();
        FAIL() << "a misspelt key passed";
    } catch (const ELayoutError& e) {
        EXPECT_EQ(e.Message(), "Layout line 1 (F): unknown key colour");
    }
    // A failed or defaulted read of a missing key marks nothing.
    EXPECT_THROW(layout.Find("F").Color("color"), ELayoutError);
    EXPECT_THROW(layout.RejectUnreadKeys(), ELayoutError);
    (void)layout.Find("F").Text("colour");
    EXPECT_NO_THROW(layout.RejectUnreadKeys());
}

TEST(Layout, TheMainWindowLayoutHasEveryControl) {
    std::ifstream file(CORVANTA_MAIN_LAYOUT, std::ios::binary);
    ASSERT_TRUE(file) << CORVANTA_MAIN_LAYOUT;
    std::stringstream text;
    text << file.rdbuf();
    const Layout layout = ParseLayout(text.str());
    EXPECT_EQ(layout.Find("Form1").Ints("client", 2), (std::vector<int>{956, 577}));
    EXPECT_EQ(layout.Find("PageControl1").Ints("rect", 4), (std::vector<int>{16, 48, 929, 489}));
    std::vector<std::string> pages;
    for (const LayoutItem* page : layout.Children("page", "PageControl1")) pages.push_back(page->Text("text"));
    EXPECT_THAT(pages, ElementsAre("Installed Software", "Installed Hotfixes", "Running Processes"));
    std::vector<std::string> process_columns;
    for (const LayoutItem* column : layout.Children("column", "cxGrid3"))
        process_columns.push_back(column->Text("field"));
    EXPECT_THAT(process_columns, ElementsAre("Caption", "Product", "File", "Description", "Vendor"));
    EXPECT_FALSE(layout.Find("cxGrid2").Flag("header", true));
    EXPECT_TRUE(layout.Find("cxGrid1").Flag("filter", false));
    EXPECT_FALSE(layout.Find("cxGrid3").Flag("filter", true));
}

}  // namespace
}  // namespace corvanta::test
