#pragma once
// Fills the program and hot-fix tables from the machine's uninstall key, in
// each registry view, and from the current user's.
#include "inventory/inventory_tables.h"
#include "software/registry_api.h"

#include <string_view>

namespace corvanta {

// A display name belongs to a hot-fix when it holds "HOTFIX" once its ASCII
// letters are upper-cased.
bool IsHotFixName(std::string_view display_name);

// What the main window's Button1Click runs. kbmMemTable1 must be open. Rows
// are appended (nothing is emptied); kbmMemTable1 ends on its first row. A
// registry error (ERegistryException) does not stop the scan: the first one
// is raised after the scan has finished.
void ScanUninstallKey(InventoryTables& tables, RegistryApi& registry);

}  // namespace corvanta
