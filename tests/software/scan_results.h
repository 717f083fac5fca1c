#pragma once
// What an uninstall-key scan left in the tables, as plain values to compare.
#include <string>
#include <vector>

#include "software/registry_reader.h"
#include "software/uninstall_scan.h"

namespace corvanta::test {

inline std::vector<std::string> Column(const MemTable& table, std::size_t column) {
    std::vector<std::string> values;
    for (std::size_t row = 0; row < table.RecordCount(); ++row) values.emplace_back(table.Cell(row, column));
    return values;
}

// Runs the scan; gives the message of the registry error it raised, or "".
inline std::string ScanForMessage(InventoryTables& tables, RegistryApi& registry) {
    try {
        ScanUninstallKey(tables, registry);
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return "";
}

// A fixture's view of the scan: the tables and their columns.
struct ScanResults {
    ScanResults() { tables.kbmMemTable1.Open(); }
    std::vector<std::string> Programs() const { return Column(tables.kbmMemTable1, 0); }
    std::vector<std::string> Versions() const { return Column(tables.kbmMemTable1, 1); }
    std::vector<std::string> HotFixes() const { return Column(tables.tblHotFix, 0); }
    InventoryTables tables;
};

}  // namespace corvanta::test
