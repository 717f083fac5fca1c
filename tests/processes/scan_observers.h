#pragma once
// What the WMI scans' tests watch them through: a cursor that logs into the
// same list as the fake WMI's calls, so their order shows, and a display
// that counts what its table tells it.
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/cursor_service.h"
#include "inventory/mem_table.h"
#include "tests/processes/fake_wmi.h"

namespace corvanta::test {

class LoggingCursor : public CursorService {
public:
    explicit LoggingCursor(std::vector<std::string>& log) : log_(log) {}
    void ShowBusyCursor() override {
        log_.push_back("busy");
        if (fail_busy) throw std::runtime_error("cursor");
    }
    void ShowDefaultCursor() override { log_.push_back("default"); }
    bool fail_busy = false;

private:
    std::vector<std::string>& log_;
};

class CountingLink : public DataLink {
public:
    void RecordPosted(std::size_t) override { ++posted; }
    void DataSetChanged() override { ++changed; }
    int posted = 0;
    int changed = 0;
};

// What every run of a WMI scan must leave, however it went: the table open
// on its first row (none when empty), nothing pending, its display told once
// and only at the end, the cursor busy first and default last, and every WMI
// handle and object released in its turn.
inline void ExpectCleanScanEnd(const MemTable& table, const CountingLink& link, const FakeWmi& wmi) {
    EXPECT_TRUE(table.Active());
    EXPECT_FALSE(table.Appending()) << "a pending row was left";
    if (table.RecordCount() > 0)
        EXPECT_EQ(table.CurrentRow(), std::optional<std::size_t>(0));
    else
        EXPECT_EQ(table.CurrentRow(), std::nullopt);
    EXPECT_FALSE(table.ControlsDisabled());
    EXPECT_EQ(link.changed, 1) << "the grid is told once";
    EXPECT_EQ(link.posted, 0) << "no row is shown while the rows come in";
    ASSERT_FALSE(wmi.own_log.empty());
    EXPECT_EQ(wmi.own_log.front(), "busy");
    EXPECT_EQ(wmi.own_log.back(), "default");
    EXPECT_EQ(wmi.live_handles, 0) << "a WMI handle was not released";
    EXPECT_EQ(wmi.most_objects_alive_at_fetch, 0) << "an object outlived its turn";
}

}  // namespace corvanta::test
