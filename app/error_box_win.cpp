#include <windows.h>

#include <exception>

#include "app/error_box.h"
#include "common/exception.h"

namespace corvanta {

void ShowErrorBox(const std::string& message) {
    // Owned by the active window (if any) so the box stays in front of it and
    // blocks it, as a modal error should.
    MessageBoxA(GetActiveWindow(), ErrorBoxText(message).c_str(), "Corvanta", MB_ICONSTOP | MB_OK);
}

void ShowHandledException() noexcept {
    try {
        try {
            throw;
        } catch (const Exception& e) {
            ShowErrorBox(e.Message());
        } catch (const std::exception& e) {
            ShowErrorBox(e.what());
        } catch (...) {
            ShowErrorBox("Unknown error");
        }
    } catch (...) {
        // Showing the box itself failed (out of memory): nothing more can be done.
    }
}

}  // namespace corvanta
