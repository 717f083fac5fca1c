#pragma once
// Small Win32 services every window of the program uses: its resources, the
// system DPI and the scaling of 96-DPI layout pixels, and text extents.
// Windows build only.
#include <windows.h>

#include <string>
#include <string_view>

#include "app/gdi_handles.h"

namespace corvanta {

// The bytes of the program's RCDATA resource `id`; throws corvanta::Exception
// with `failure` as its message when the resource is missing.
std::string_view LoadRcData(int id, const char* failure);

// The system DPI (LOGPIXELSY of the screen); 96 when the screen gives none.
int SystemDpi();

// A length in 96-DPI pixels at `dpi`.
inline int Scale(int pixels96, int dpi) { return MulDiv(pixels96, dpi, 96); }

// The size of one line of `text` in `font`.
SIZE TextExtent(HFONT font, std::string_view text);

// A font of `pixels` character height (not cell height); throws
// corvanta::Exception when the system cannot make it.
UniqueFont MakeFont(const std::string& face, int pixels, bool bold);

// The program's icon resource `id` at the given size; empty when the build
// has none.
UniqueIcon LoadIconResource(int id, int width, int height);

// The system's standard arrow cursor.
HCURSOR ArrowCursor();

}  // namespace corvanta
