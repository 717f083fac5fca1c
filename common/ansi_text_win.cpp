#include "common/ansi_text.h"

#include <windows.h>

#include <climits>

namespace corvanta {

std::string WideToAnsi(std::u16string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX / 2)) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int units = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string out(static_cast<std::size_t>(needed), '\0');
    const int written = WideCharToMultiByte(CP_ACP, 0, wide, units, out.data(), needed, nullptr, nullptr);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

}  // namespace corvanta
