#pragma once
// The application's standard error box: every error that escapes an event
// handler, a timer tick or the window's show event ends up here, and the
// program goes on after the box is closed.
#include <string>

namespace corvanta {

// The text the box shows: a period is added when the last character's code
// is greater than that of '.', so "ends in a letter" gets one and a message
// that already ends in '.', '"' or '\'' does not. Codes are compared as
// unsigned bytes, so an ANSI letter such as 0xE9 counts as greater.
std::string ErrorBoxText(const std::string& message);

// Windows build: a modal box with the caption "Corvanta", a stop icon and OK.
void ShowErrorBox(const std::string& message);

// For a catch (...) site: shows the exception being handled in the error box.
// Must be called from inside a handler; never throws.
void ShowHandledException() noexcept;

}  // namespace corvanta
