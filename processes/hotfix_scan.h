#pragma once
// Adds the installed updates that WMI reports to the hot-fix table. Since
// Windows Vista updates are no longer uninstall entries with "Hotfix" in
// their names; Win32_QuickFixEngineering lists them.
#include "common/cursor_service.h"
#include "inventory/inventory_tables.h"
#include "processes/wmi_access.h"

namespace corvanta {

// Appends one row to tblHotFix per installed update: its HotFixID, followed
// by " (Description)" when the description is not empty. An update whose
// HotFixID the table's rows already name (the hot-fixes of the uninstall
// key, which old Windows listed in both places) is left out, as are an
// empty HotFixID and Windows' placeholder "File 1". An object that cannot be
// read is skipped and the others follow. Rows already in the table stay.
//
// COM must be initialised on this thread. Display updates are suspended
// while it runs and the busy cursor shows; however it ends, the default
// cursor comes back, the table stands on its first row and its display is
// told once. A failure of the query itself (locator, connection, query,
// enumeration) is raised after that, for the standard error box.
void AddInstalledUpdates(InventoryTables& tables, WmiAccess& wmi, CursorService& cursor);

// The hot-fix page asks WMI once: on the user's first turn to it. Later
// turns keep what that found, also when it failed.
class InstalledUpdatesOnce {
public:
    // AddInstalledUpdates on the first call; nothing on later ones.
    void Run(InventoryTables& tables, WmiAccess& wmi, CursorService& cursor);
    bool HasRun() const { return has_run_; }

private:
    bool has_run_ = false;
};

}  // namespace corvanta
