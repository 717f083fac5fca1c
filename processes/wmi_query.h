#pragma once
// The two steps both WMI scans share: one query run the same way, and the
// final actions of a table filled under the busy cursor.
#include <functional>
#include <string_view>

#include "common/cursor_service.h"
#include "inventory/mem_table.h"
#include "processes/wmi_access.h"

namespace corvanta {

// Runs one WQL query on root\cimv2 of this machine: locator, connection,
// query and enumerator, then hands each fetched value to `visit`, releasing
// it before the next fetch. A failed fetch ends the list as its end does; a
// failure of the first four steps raises EWmiError.
void ForEachQueryResult(WmiAccess& wmi, std::u16string_view query, const std::function<void(WmiFetchedValue&)>& visit);

// Runs `work` with the busy cursor. However it ends, the default cursor
// comes back, `table` stands on its first row and its display updates
// resume; a failure of `work`, or of those actions, then goes to the caller.
template <typename Work>
void UnderBusyCursor(MemTable& table, CursorService& cursor, Work work) {
    const auto final_actions = [&] {
        cursor.ShowDefaultCursor();
        table.First();
        table.EnableControls();
    };
    try {
        cursor.ShowBusyCursor();
        work();
    } catch (...) {
        final_actions();
        throw;
    }
    final_actions();
}

}  // namespace corvanta
