#include "inventory/inventory_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvanta::test {
namespace {

// Records what a display is told, in order: "post N" or "changed".
class RecordingLink : public DataLink {
public:
    void RecordPosted(std::size_t row) override { events.push_back("post " + std::to_string(row)); }
    void DataSetChanged() override { events.push_back("changed"); }
    std::vector<std::string> events;
};

class TablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        t.DataSource1.SetLink(&link);
        t.kbmMemTable1.Open();
    }
    void AddProgram(std::string_view name, std::string_view version) {
        t.kbmMemTable1.Append();
        t.kbmMemTable1Software.SetAsString(name);
        t.kbmMemTable1Version.SetAsString(version);
        t.kbmMemTable1.Post();
    }
    InventoryTables t;
    RecordingLink link;
};

TEST_F(TablesTest, ColumnsHaveTheirNamesAndWidths) {
    struct Expect {
        const StringField& field;
        const char* name;
        std::size_t width;
    };
    const Expect cases[] = {
        {t.kbmMemTable1Software, "Software", 100}, {t.kbmMemTable1Version, "Version", 50},
        {t.tblHotFixHotFix, "HotFix", 50},         {t.tblProcessesCaption, "Caption", 50},
        {t.tblProcessesFile, "File", 200},         {t.tblProcessesDescription, "Description", 200},
        {t.tblProcessesVendor, "Vendor", 50},      {t.tblProcessesProduct, "Product", 60},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.field.FieldName(), c.name);
        EXPECT_EQ(c.field.Size(), c.width) << c.name;
    }
    EXPECT_EQ(t.tblProcesses.ColumnCount(), 5u);
    EXPECT_EQ(&t.dsProcesses.DataSet(), &t.tblProcesses);
}

TEST_F(TablesTest, TablesStartClosedAndEmpty) {
    InventoryTables fresh;
    for (const MemTable* table : {&fresh.kbmMemTable1, &fresh.tblHotFix, &fresh.tblProcesses}) {
        EXPECT_FALSE(table->Active()) << table->Name();
        EXPECT_EQ(table->RecordCount(), 0u);
    }
}

TEST_F(TablesTest, TextIsCutAtTheWidthAndAtTheFirstNul) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {std::string(100, 'a'), std::string(100, 'a')},
        {std::string(101, 'a') + "tail", std::string(100, 'a')},
        {std::string(1 << 20, 'x'), std::string(100, 'x')},
        {std::string("ab\0cd", 5), "ab"},
        {std::string("\0abc", 4), ""},
        {"   ", "   "},
        {"\xe9t\xe9", "\xe9t\xe9"},
        {"", ""},
    };
    for (const auto& c : cases) {
        t.kbmMemTable1.Append();
        t.kbmMemTable1Software.SetAsString(c.in);
        EXPECT_EQ(t.kbmMemTable1Software.AsString(), c.out) << "pending, input size " << c.in.size();
        t.kbmMemTable1.Post();
        EXPECT_EQ(t.kbmMemTable1Software.AsString(), c.out) << "posted, input size " << c.in.size();
        EXPECT_EQ(t.kbmMemTable1.Cell(t.kbmMemTable1.RecordCount() - 1, 0), c.out);
    }
}

TEST_F(TablesTest, UnsetAndEmptyColumnsReadEmpty) {
    t.kbmMemTable1.Append();
    EXPECT_EQ(t.kbmMemTable1Software.AsString(), "");
    t.kbmMemTable1Software.SetAsString("Editor");
    t.kbmMemTable1.Post();
    EXPECT_EQ(t.kbmMemTable1Version.AsString(), "");
    AddProgram("Viewer", "");
    EXPECT_EQ(t.kbmMemTable1Version.AsString(), "");
    EXPECT_EQ(t.kbmMemTable1Software.AsString(), "Viewer");
}

TEST_F(TablesTest, ReopeningKeepsRowsAndDuplicatesStayInOrder) {
    AddProgram("Same", "1");
    AddProgram("Same", "2");
    t.kbmMemTable1.Open();
    ASSERT_EQ(t.kbmMemTable1.RecordCount(), 2u);
    EXPECT_EQ(t.kbmMemTable1.Cell(0, 1), "1");
    EXPECT_EQ(t.kbmMemTable1.Cell(1, 1), "2");
}

TEST_F(TablesTest, PostTellsTheDisplayEachRow) {
    AddProgram("A", "1");
    AddProgram("B", "2");
    EXPECT_EQ(link.events, (std::vector<std::string>{"post 0", "post 1"}));
    EXPECT_EQ(t.kbmMemTable1.CurrentRow(), 1u);
}

TEST_F(TablesTest, FirstOnAnEmptyTableLeavesNoCurrentRowAndTellsNothing) {
    t.kbmMemTable1.First();
    EXPECT_EQ(t.kbmMemTable1.CurrentRow(), std::nullopt);
    EXPECT_EQ(t.kbmMemTable1Software.AsString(), "");
    EXPECT_TRUE(link.events.empty());
}

TEST_F(TablesTest, FirstPostsAPendingRowWithAColumnSet) {
    AddProgram("First", "1");
    t.kbmMemTable1.Append();
    t.kbmMemTable1Software.SetAsString("Half done");
    t.kbmMemTable1.First();
    ASSERT_EQ(t.kbmMemTable1.RecordCount(), 2u);
    EXPECT_EQ(t.kbmMemTable1.Cell(1, 0), "Half done");
    EXPECT_EQ(t.kbmMemTable1.Cell(1, 1), "");
    EXPECT_EQ(t.kbmMemTable1.CurrentRow(), 0u);
    EXPECT_EQ(t.kbmMemTable1Software.AsString(), "First");
    EXPECT_EQ(link.events.back(), "post 1");
}

TEST_F(TablesTest, FirstDropsAPendingRowWithNothingSet) {
    AddProgram("Only", "1");
    t.kbmMemTable1.Append();
    t.kbmMemTable1.First();
    EXPECT_EQ(t.kbmMemTable1.RecordCount(), 1u);
    EXPECT_FALSE(t.kbmMemTable1.Appending());
    EXPECT_EQ(t.kbmMemTable1.CurrentRow(), 0u);
}

TEST_F(TablesTest, SuspendedTableTellsOnceAtTheLastResume) {
    AddProgram("Old", "1");
    link.events.clear();
    t.kbmMemTable1.DisableControls();
    t.kbmMemTable1.DisableControls();
    t.kbmMemTable1.Empty();
    AddProgram("New", "2");
    t.kbmMemTable1.EnableControls();
    EXPECT_TRUE(t.kbmMemTable1.ControlsDisabled());
    EXPECT_TRUE(link.events.empty());
    t.kbmMemTable1.EnableControls();
    EXPECT_EQ(link.events, std::vector<std::string>{"changed"});
    t.kbmMemTable1.EnableControls();  // at zero: nothing
    EXPECT_EQ(link.events.size(), 1u);
    ASSERT_EQ(t.kbmMemTable1.RecordCount(), 1u);
    EXPECT_EQ(t.kbmMemTable1.Cell(0, 0), "New");
}

TEST_F(TablesTest, EmptyingTellsOnceAndDropsAPendingRow) {
    AddProgram("Old", "1");
    t.kbmMemTable1.Append();
    t.kbmMemTable1Software.SetAsString("pending");
    link.events.clear();
    t.kbmMemTable1.Empty();
    EXPECT_EQ(link.events, std::vector<std::string>{"changed"});
    EXPECT_EQ(t.kbmMemTable1.RecordCount(), 0u);
    EXPECT_FALSE(t.kbmMemTable1.Appending());
    t.kbmMemTable1.First();
    EXPECT_EQ(t.kbmMemTable1.RecordCount(), 0u);
}

TEST_F(TablesTest, TableWithoutALinkedDisplayWorks) {
    t.DataSource1.SetLink(nullptr);
    AddProgram("Quiet", "1");
    t.kbmMemTable1.Empty();
    EXPECT_TRUE(link.events.empty());
}

}  // namespace
}  // namespace corvanta::test
