#pragma once
// Wide text (UTF-16, as Windows stores it in resources and WMI hands it out)
// becomes the system's 8-bit text here. On Windows the conversion is the
// platform's, to the active ANSI code page; the host build stands for an
// English Windows and converts to Windows-1252. A character the code page
// cannot hold becomes '?', and every UTF-16 unit yields one character, so
// the result never holds more characters than the input has units.
#include <string>
#include <string_view>

namespace corvanta {

std::string WideToAnsi(std::u16string_view text);

// The portable conversion, used by the host build and by the host's
// reading of version resources; available on both builds for tests.
char WideCharTo1252(char16_t unit);
char16_t Char1252ToWide(unsigned char ch);

}  // namespace corvanta
