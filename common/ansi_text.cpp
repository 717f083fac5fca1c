#include "common/ansi_text.h"

namespace corvanta {

std::string WideToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t unit : text) out.push_back(WideCharTo1252(unit));
    return out;
}

}  // namespace corvanta
