#pragma once
// A window layout kept as text with the program: one control per line,
//
//   <kind> <name> key=value key="quoted value" ...
//
// with '#' starting a comment line. Sizes are pixels at 96 DPI; the window
// scales them to the system setting when it builds its controls. The layout
// is our own data, but a damaged one must fail with an error, never crash:
// every read is checked and every number range-limited.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/exception.h"

namespace corvanta {

class ELayoutError : public Exception {
public:
    using Exception::Exception;
};

struct LayoutItem {
    std::string kind;
    std::string name;
    std::vector<std::pair<std::string, std::string>> properties;
    int line = 0;
    // Which properties some code has read (by index): a key nobody reads is
    // a misspelling or damage, and must not pass unnoticed.
    mutable std::vector<bool> read;

    bool Has(std::string_view key) const;
    // The value of a key; ELayoutError when it is missing.
    const std::string& Text(std::string_view key) const;
    std::string Text(std::string_view key, std::string_view fallback) const;
    // An integer in [-100000, 100000].
    int Int(std::string_view key) const;
    int Int(std::string_view key, int fallback) const;
    // Exactly `count` comma-separated integers.
    std::vector<int> Ints(std::string_view key, std::size_t count) const;
    // "r,g,b" with each part in [0, 255], as 0x00BBGGRR (a COLORREF).
    std::uint32_t Color(std::string_view key) const;
    // "0" or "1".
    bool Flag(std::string_view key, bool fallback) const;

    [[noreturn]] void Fail(const std::string& what) const;
};

struct Layout {
    std::vector<LayoutItem> items;

    // ELayoutError when there is no such item.
    const LayoutItem& Find(std::string_view name) const;
    // Items of a kind whose "parent" is `parent`, in layout order.
    std::vector<const LayoutItem*> Children(std::string_view kind, std::string_view parent) const;
    // ELayoutError naming the first key that no read has asked for; called
    // once a window has read everything it uses.
    void RejectUnreadKeys() const;
};

// Parses a layout; ELayoutError names the line of the first fault.
Layout ParseLayout(std::string_view text);

}  // namespace corvanta
