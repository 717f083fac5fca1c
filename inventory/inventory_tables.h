#pragma once
// The three inventory tables with their field objects and data sources, as
// the main window owns them: closed and empty at first.
#include <string_view>

#include "inventory/mem_table.h"

namespace corvanta {

struct InventoryTables {
    MemTable kbmMemTable1{"kbmMemTable1", {{"Software", 100}, {"Version", 50}}};
    StringField kbmMemTable1Software{kbmMemTable1, "Software"};
    StringField kbmMemTable1Version{kbmMemTable1, "Version"};
    DataSource DataSource1{kbmMemTable1};

    MemTable tblHotFix{"tblHotFix", {{"HotFix", 50}}};
    StringField tblHotFixHotFix{tblHotFix, "HotFix"};
    DataSource dsHotFix{tblHotFix};

    MemTable tblProcesses{"tblProcesses",
                          {{"Caption", 50}, {"File", 200}, {"Description", 200}, {"Vendor", 50}, {"Product", 60}}};
    StringField tblProcessesCaption{tblProcesses, "Caption"};
    StringField tblProcessesFile{tblProcesses, "File"};
    StringField tblProcessesDescription{tblProcesses, "Description"};
    StringField tblProcessesVendor{tblProcesses, "Vendor"};
    StringField tblProcessesProduct{tblProcesses, "Product"};
    DataSource dsProcesses{tblProcesses};

    // The data source a layout names; nullptr for a name there is none of.
    DataSource* FindDataSource(std::string_view name) {
        const struct {
            std::string_view name;
            DataSource* source;
        } sources[] = {{"DataSource1", &DataSource1}, {"dsHotFix", &dsHotFix}, {"dsProcesses", &dsProcesses}};
        for (const auto& entry : sources)
            if (entry.name == name) return entry.source;
        return nullptr;
    }
};

}  // namespace corvanta
