#include "software/uninstall_scan.h"

#include <exception>
#include <string>

#include "common/scope_guard.h"
#include "software/registry_reader.h"

namespace corvanta {
namespace {

constexpr std::string_view kUninstallKey = "\\software\\microsoft\\windows\\currentVersion\\uninstall";

// One uninstall key to read: a root and the access mask that picks its view.
struct UninstallSource {
    RegKey root;
    std::uint32_t access;
};

// On 64-bit Windows a 32-bit program sees only the 32-bit view unless it asks
// for the 64-bit one, and half the programs would go missing: read both. The
// current user's key, where per-user installers register, has one view for
// 32- and 64-bit programs alike; it comes last.
std::vector<UninstallSource> UninstallSources(RegistryApi& registry) {
    std::vector<UninstallSource> sources;
    if (registry.Has64BitView()) {
        sources.push_back({reg::kHKeyLocalMachine, reg::kKeyRead | reg::kKeyWow64_64Key});
        sources.push_back({reg::kHKeyLocalMachine, reg::kKeyRead | reg::kKeyWow64_32Key});
    } else {
        sources.push_back({reg::kHKeyLocalMachine, reg::kKeyRead});
    }
    sources.push_back({reg::kHKeyCurrentUser, reg::kKeyRead});
    return sources;
}

void AddProgram(TRegistry& reader, InventoryTables& t, const std::string& display_name) {
    t.kbmMemTable1.Append();
    t.kbmMemTable1Software.SetAsString(display_name);
    std::string version;
    try {
        version = reader.ReadString("DisplayVersion");
    } catch (const ERegistryException&) {
        // The program stays listed, without a version; the error is reported
        // once the scan is over.
        t.kbmMemTable1.Post();
        throw;
    }
    t.kbmMemTable1Version.SetAsString(version);
    t.kbmMemTable1.Post();
}

void AddHotFix(InventoryTables& t, const std::string& display_name) {
    t.tblHotFix.Append();
    t.tblHotFixHotFix.SetAsString(display_name);
    t.tblHotFix.Post();
}

void ScanSource(InventoryTables& t, RegistryApi& registry, const UninstallSource& source,
                std::exception_ptr& first_error) {
    TRegistry reader(registry, source.access);  // closes what it opened, however the key's scan ends
    reader.SetRootKey(source.root);
    reader.OpenKey(kUninstallKey);  // when it fails, no key is current and no names come
    // Each subkey is reached by its own UTF-16 name, relative to the open
    // uninstall key: its ANSI spelling may have lost characters, and a path
    // rebuilt from the root may be too long for the ANSI functions.
    for (const std::u16string& name : reader.GetKeyNames()) {
        if (!reader.OpenSubKey(name)) continue;
        try {
            const std::string display_name = reader.ReadString("DisplayName");
            if (display_name.empty()) continue;
            if (IsHotFixName(display_name))
                AddHotFix(t, display_name);
            else
                AddProgram(reader, t, display_name);
        } catch (const ERegistryException&) {
            // One bad value must not hide the programs after it.
            if (!first_error) first_error = std::current_exception();
        }
    }
}

}  // namespace

bool IsHotFixName(std::string_view display_name) {
    std::string upper(display_name);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper.find("HOTFIX") != std::string::npos;
}

void ScanUninstallKey(InventoryTables& tables, RegistryApi& registry) {
    tables.tblHotFix.Open();
    std::exception_ptr first_error;
    {
        // Leaves the programs on their first row, posting a row still pending.
        ScopeGuard move_to_first([&tables] { tables.kbmMemTable1.First(); });
        for (const UninstallSource& source : UninstallSources(registry))
            ScanSource(tables, registry, source, first_error);
    }
    if (first_error) std::rethrow_exception(first_error);
}

}  // namespace corvanta
