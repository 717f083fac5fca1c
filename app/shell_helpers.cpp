#include "app/shell_helpers.h"

namespace corvanta {

std::string FullWebAddress(const std::string& Address, bool Secure) {
    return (Secure ? "https://" : "http://") + Address;
}

bool OpenWebAddress(ShellApi& shell, const std::string& Address, bool Secure) noexcept {
    try {
        const std::string full = FullWebAddress(Address, Secure);
        return shell.Execute("open", full.c_str(), "", "", kSwShowNormal) > 32;
    } catch (...) {
        // Only a failure the shell itself reports counts; the link line must
        // never put up an error of its own.
        return true;
    }
}

void ScreenCursor::SetCursor(int cursor) {
    if (cursor == cursor_) return;
    cursor_ = cursor;
    shell_.ApplyCursor(cursor);
}

}  // namespace corvanta
