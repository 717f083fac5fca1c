#pragma once
// Refills the running-process table from one WMI query, with the description,
// vendor and product of each process's executable.
#include "common/cursor_service.h"
#include "inventory/inventory_tables.h"
#include "processes/process_image.h"
#include "processes/version_library.h"
#include "processes/wmi_access.h"

namespace corvanta {

// What the main window's RefreshProcesses runs. Opens tblProcesses, empties it
// and fills it with one row per process; COM must be initialised on this
// thread. Failures inside the scan are swallowed: the table then holds what
// was found, the default cursor is back, the table stands on its first row
// and its display is told once. Only a failure of the table operations
// before or after the scan, or of the cursor, reaches the caller.
//
// A process whose object or caption cannot be read is left out; the scan
// goes on with the next one. Where WMI gives no executable path, the path
// comes from `images` by the process's id; without either the row holds the
// caption alone.
void RefreshProcesses(InventoryTables& tables, WmiAccess& wmi, CursorService& cursor, const VersionLibrary& versions,
                      const ProcessImage& images);

}  // namespace corvanta
