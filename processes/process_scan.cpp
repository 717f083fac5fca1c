#include "processes/process_scan.h"

#include <memory>
#include <string>

#include "common/ansi_text.h"
#include "processes/VerInfo.h"
#include "processes/wmi_error.h"

namespace corvanta {
namespace {

constexpr std::uint8_t kCompanyName = 0;
constexpr std::uint8_t kFileDescription = 1;
constexpr std::uint8_t kProductName = 7;

// A property value as column text. Null has no text, so taking it fails and
// the caller's catch level decides what that costs.
std::string TextOf(const WmiValue& value) {
    switch (value.kind) {
        case WmiValue::Kind::Text:
            return WideToAnsi(value.text);
        case WmiValue::Kind::Null:
            throw ENullValueError();
        case WmiValue::Kind::Empty:
            break;
    }
    return {};
}

// One fetched object: its row, or nothing when the object or its caption
// cannot be had. Past the caption, a failure only leaves the later columns
// unset.
void AddProcessRow(InventoryTables& t, WmiAccess& wmi, WmiFetchedValue& fetched, const VersionLibrary& versions) {
    MemTable& table = t.tblProcesses;
    try {
        const std::unique_ptr<WmiObject> process = wmi.TakeAsObject(fetched);
        table.Append();
        t.tblProcessesCaption.SetAsString(TextOf(wmi.ReadProperty(*process, u"Caption")));
        try {
            t.tblProcessesFile.SetAsString(TextOf(wmi.ReadProperty(*process, u"ExecutablePath")));
            // The reader gets the path as stored, cut to the column's width,
            // so the version columns always describe the file the row names.
            const TVerInfoRes reader(t.tblProcessesFile.AsString(), versions);
            t.tblProcessesDescription.SetAsString(reader.GetVersionString(kFileDescription));
            t.tblProcessesVendor.SetAsString(reader.GetVersionString(kCompanyName));
            t.tblProcessesProduct.SetAsString(reader.GetVersionString(kProductName));
        } catch (...) {
        }
        table.Post();
    } catch (...) {
        // Nothing is set in the pending row before the caption, so moving to
        // the first row drops it; the next Append starts afresh either way.
        if (table.Appending()) table.First();
    }
}

// Every failure in here ends the query, keeping the rows posted so far.
void ScanProcesses(InventoryTables& t, WmiAccess& wmi, const VersionLibrary& versions) noexcept {
    try {
        const std::unique_ptr<WmiLocator> locator = wmi.CreateLocator();
        const std::unique_ptr<WmiServices> services =
            wmi.ConnectServer(*locator, u"", u"root\\cimv2", u"", u"", u"", u"", 0);
        const std::unique_ptr<WmiObjectSet> result =
            wmi.ExecQuery(*services, u"SELECT * FROM Win32_Process", u"WQL", 0);
        const std::unique_ptr<WmiEnumerator> enumerator = wmi.Enumerate(*result);
        for (;;) {
            // Declared in the loop so each fetched object is released before
            // the next fetch.
            std::unique_ptr<WmiFetchedValue> fetched;
            if (wmi.Fetch(*enumerator, fetched) != hresult::kOk || !fetched) break;
            AddProcessRow(t, wmi, *fetched, versions);
        }
    } catch (...) {
    }
}

}  // namespace

void RefreshProcesses(InventoryTables& tables, WmiAccess& wmi, CursorService& cursor,
                      const VersionLibrary& versions) {
    MemTable& table = tables.tblProcesses;
    table.Open();
    table.DisableControls();
    table.Empty();

    // These run however the scan ends; their own failures go to the caller.
    const auto final_actions = [&] {
        cursor.ShowDefaultCursor();
        table.First();
        table.EnableControls();
    };
    try {
        cursor.ShowBusyCursor();
        ScanProcesses(tables, wmi, versions);
    } catch (...) {
        final_actions();
        throw;
    }
    final_actions();
}

}  // namespace corvanta
