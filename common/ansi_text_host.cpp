// The host build's conversion to 8-bit text: Windows-1252, the code page
// the host stands in for (Windows uses the active code page, ansi_text_win.cpp).
#include "common/ansi_text.h"

namespace corvanta {

std::string WideToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t unit : text) out.push_back(WideCharTo1252(unit));
    return out;
}

}  // namespace corvanta
