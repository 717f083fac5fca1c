#include "processes/process_scan.h"

#include <memory>
#include <optional>
#include <string>

#include "common/ansi_text.h"
#include "processes/VerInfo.h"
#include "processes/wmi_error.h"
#include "processes/wmi_query.h"

namespace corvanta {
namespace {

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

// A process id as WMI hands it over: the text of a number. WMI's scripting
// types carry a CIM uint32 as a signed 32-bit value, so an id past 2^31-1
// comes as a negative number and is taken back modulo 2^32. Anything else
// is no id.
std::optional<std::uint32_t> ProcessIdOf(const WmiValue& value) {
    if (value.kind != WmiValue::Kind::Text) return std::nullopt;
    std::u16string_view text = value.text;
    const bool negative = !text.empty() && text.front() == u'-';
    if (negative) text.remove_prefix(1);
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t number = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        number = number * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    if (negative) {
        if (number > 0x80000000u) return std::nullopt;
        return static_cast<std::uint32_t>(0x100000000u - number);
    }
    if (number > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

// The executable's path: WMI's, or where WMI has none (its read fails, or it
// is Null or empty), what Windows says of the process's id. Empty when
// neither gives one.
std::string ExecutablePathOf(WmiAccess& wmi, WmiObject& process, const ProcessImage& images) {
    try {
        std::string path = TextOf(wmi.ReadProperty(process, u"ExecutablePath"));
        if (!path.empty()) return path;
    } catch (...) {
    }
    const std::optional<std::uint32_t> id = ProcessIdOf(wmi.ReadProperty(process, u"ProcessId"));
    if (!id) return {};
    return images.ImagePath(*id).value_or(std::string());
}

// One fetched object: its row, or nothing when the object or its caption
// cannot be had. Past the caption, a failure only leaves the later columns
// unset.
void AddProcessRow(InventoryTables& t, WmiAccess& wmi, WmiFetchedValue& fetched, const VersionLibrary& versions,
                   const ProcessImage& images) {
    MemTable& table = t.tblProcesses;
    try {
        const std::unique_ptr<WmiObject> process = wmi.TakeAsObject(fetched);
        table.Append();
        t.tblProcessesCaption.SetAsString(TextOf(wmi.ReadProperty(*process, u"Caption")));
        try {
            const std::string path = ExecutablePathOf(wmi, *process, images);
            if (!path.empty()) {
                t.tblProcessesFile.SetAsString(path);
                // The reader gets the path as stored, cut to the column's
                // width, so the version columns always describe the file the
                // row names.
                const TVerInfoRes reader(t.tblProcessesFile.AsString(), versions);
                t.tblProcessesDescription.SetAsString(reader.GetVersionString(VersionKey::kFileDescription));
                t.tblProcessesVendor.SetAsString(reader.GetVersionString(VersionKey::kCompanyName));
                t.tblProcessesProduct.SetAsString(reader.GetVersionString(VersionKey::kProductName));
            }
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
void ScanProcesses(InventoryTables& t, WmiAccess& wmi, const VersionLibrary& versions,
                   const ProcessImage& images) noexcept {
    try {
        ForEachQueryResult(wmi, u"SELECT * FROM Win32_Process",
                           [&](WmiFetchedValue& fetched) { AddProcessRow(t, wmi, fetched, versions, images); });
    } catch (...) {
    }
}

}  // namespace

void RefreshProcesses(InventoryTables& tables, WmiAccess& wmi, CursorService& cursor, const VersionLibrary& versions,
                      const ProcessImage& images) {
    MemTable& table = tables.tblProcesses;
    table.Open();
    table.DisableControls();
    table.Empty();

    // However the scan ends; only the final actions' own failures reach the caller.
    UnderBusyCursor(table, cursor, [&] { ScanProcesses(tables, wmi, versions, images); });
}

}  // namespace corvanta
