#include "processes/hotfix_scan.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/ansi_text.h"
#include "processes/wmi_query.h"

namespace corvanta {
namespace {

// What Windows XP's class listed for updates it knew nothing about.
constexpr std::string_view kPlaceholderId = "File 1";

// A property as text; Null and a missing value count as empty.
std::string TextOrEmpty(const WmiValue& value) {
    return value.kind == WmiValue::Kind::Text ? WideToAnsi(value.text) : std::string();
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperCased(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = UpperAscii(c);
    return upper;
}

bool IsAlphanumeric(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Whether `name` holds `id` as a whole word: "Hotfix for Windows (KB123456)"
// names KB123456, and does not name KB12345.
bool Names(std::string_view name, std::string_view id) {
    for (std::size_t at = name.find(id); at != std::string_view::npos; at = name.find(id, at + 1)) {
        const bool starts = at == 0 || !IsAlphanumeric(name[at - 1]);
        const bool ends = at + id.size() == name.size() || !IsAlphanumeric(name[at + id.size()]);
        if (starts && ends) return true;
    }
    return false;
}

// The table's rows before the query, upper-cased: the hot-fixes of the
// uninstall key.
std::vector<std::string> KnownHotFixes(const InventoryTables& t) {
    std::vector<std::string> known;
    for (std::size_t row = 0; row < t.tblHotFix.RecordCount(); ++row)
        known.push_back(UpperCased(t.tblHotFix.Cell(row, t.tblHotFixHotFix.Index())));
    return known;
}

bool IsKnown(const std::vector<std::string>& known, const std::string& id) {
    const std::string upper = UpperCased(id);
    for (const std::string& name : known)
        if (Names(name, upper)) return true;
    return false;
}

// One fetched object: its row, or nothing when it cannot be read or is left out.
void AddUpdateRow(InventoryTables& t, WmiAccess& wmi, WmiFetchedValue& fetched, const std::vector<std::string>& known) {
    try {
        const std::unique_ptr<WmiObject> update = wmi.TakeAsObject(fetched);
        const std::string id = TextOrEmpty(wmi.ReadProperty(*update, u"HotFixID"));
        if (id.empty() || id == kPlaceholderId || IsKnown(known, id)) return;
        const std::string description = TextOrEmpty(wmi.ReadProperty(*update, u"Description"));
        // Both values are read before the row begins, so a failure leaves no
        // pending row behind.
        t.tblHotFix.Append();
        t.tblHotFixHotFix.SetAsString(description.empty() ? id : id + " (" + description + ")");
        t.tblHotFix.Post();
    } catch (...) {
        // One unreadable update must not hide the others.
    }
}

void QueryUpdates(InventoryTables& t, WmiAccess& wmi) {
    const std::vector<std::string> known = KnownHotFixes(t);
    ForEachQueryResult(wmi, u"SELECT * FROM Win32_QuickFixEngineering",
                       [&](WmiFetchedValue& fetched) { AddUpdateRow(t, wmi, fetched, known); });
}

}  // namespace

void AddInstalledUpdates(InventoryTables& tables, WmiAccess& wmi, CursorService& cursor) {
    MemTable& table = tables.tblHotFix;
    table.Open();
    table.DisableControls();

    // However the query ends; its failure then goes on to the caller.
    UnderBusyCursor(table, cursor, [&] { QueryUpdates(tables, wmi); });
}

void InstalledUpdatesOnce::Run(InventoryTables& tables, WmiAccess& wmi, CursorService& cursor) {
    if (has_run_) return;
    has_run_ = true;
    AddInstalledUpdates(tables, wmi, cursor);
}

}  // namespace corvanta
