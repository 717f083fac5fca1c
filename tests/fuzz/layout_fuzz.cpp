// libFuzzer harness for the layout reader: any bytes either parse or throw
// ELayoutError, and every typed read of a parsed item does the same.
// tools/fuzz.sh builds and runs it, seeded with resources/*.layout.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvanta;
    try {
        const Layout layout = ParseLayout(std::string_view(reinterpret_cast<const char*>(data), size));
        for (const LayoutItem& item : layout.items) {
            for (const auto& [key, value] : item.properties) {
                try {
                    (void)item.Int(key);
                } catch (const ELayoutError&) {
                }
                try {
                    (void)item.Ints(key, 4);
                } catch (const ELayoutError&) {
                }
                try {
                    (void)item.Color(key);
                } catch (const ELayoutError&) {
                }
                try {
                    (void)item.Flag(key, false);
                } catch (const ELayoutError&) {
                }
            }
            (void)layout.Children(item.kind, item.name);
            (void)layout.Find(item.name);
        }
        layout.RejectUnreadKeys();
    } catch (const ELayoutError&) {
    }
    return 0;
}
