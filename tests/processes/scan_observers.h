#pragma once
// What the WMI scans' tests watch them through: a cursor that logs into the
// same list as the fake WMI's calls, so their order shows, and a display
// that counts what its table tells it.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/cursor_service.h"
#include "inventory/mem_table.h"

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

}  // namespace corvanta::test
