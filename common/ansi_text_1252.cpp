#include "common/ansi_text.h"

#include <array>

namespace corvanta {
namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. Five of those codes
// are unassigned; Windows maps them to the matching C1 control characters,
// so they round-trip, and so do we.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

char16_t Char1252ToWide(unsigned char ch) {
    if (ch >= 0x80 && ch < 0xA0) return kHigh[ch - 0x80];
    return ch;
}

char WideCharTo1252(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == unit) return static_cast<char>(0x80 + i);
    }
    return '?';
}

}  // namespace corvanta
