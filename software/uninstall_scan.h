#pragma once
// Fills the program and hot-fix tables from the machine's uninstall key.
#include "inventory/inventory_tables.h"
#include "software/registry_api.h"

namespace corvanta {

// What the main window's Button1Click runs. kbmMemTable1 must be open. Rows
// are appended (nothing is emptied); kbmMemTable1 ends on its first row. A
// registry error (ERegistryException) is raised after the scan has finished.
void ScanUninstallKey(InventoryTables& tables, RegistryApi& registry);

}  // namespace corvanta
