// The conversion of wide text to the 8-bit code page (1252 on the host and
// in the Wine test prefix).
#include <gtest/gtest.h>

#include "common/ansi_text.h"

namespace corvanta::test {
namespace {

TEST(AnsiText, WideToAnsi) {
    const struct {
        std::u16string wide;
        std::string ansi;
    } cases[] = {
        {u"", ""},
        {u"Plain ASCII 123", "Plain ASCII 123"},
        {u"Caf\u00E9 \u00FF", "Caf\xE9 \xFF"},
        {u"\u20AC \u201C\u201D \u0160 \u0178", "\x80 \x93\x94 \x8A \x9F"},  // the 0x80-0x9F block
        {u"\u263A \u4E2D \u0410", "? ? ?"},                                 // not in the code page
        {std::u16string(u"a\0b", 3), std::string("a\0b", 3)},               // NULs are kept
    };
    for (const auto& c : cases) EXPECT_EQ(WideToAnsi(c.wide), c.ansi) << c.ansi;
}

TEST(AnsiText, CodePageRoundTrips) {
    for (int ch = 1; ch < 256; ++ch) {
        EXPECT_EQ(static_cast<unsigned char>(WideCharTo1252(Char1252ToWide(static_cast<unsigned char>(ch)))), ch);
    }
}

}  // namespace
}  // namespace corvanta::test
