#include "app/win32_util.h"

#include "common/exception.h"

namespace corvanta {

std::string_view LoadRcData(int id, const char* failure) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) throw Exception(failure);
    return std::string_view(static_cast<const char*>(data), SizeofResource(module, found));
}

int SystemDpi() {
    const WindowDc screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

SIZE TextExtent(HFONT font, std::string_view text) {
    const WindowDc screen(nullptr);
    const SelectedObject selected(screen.get(), font);
    SIZE size{};
    GetTextExtentPoint32A(screen.get(), text.data(), static_cast<int>(text.size()), &size);
    return size;
}

UniqueFont MakeFont(const std::string& face, int pixels, bool bold) {
    UniqueFont font(CreateFontA(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                face.c_str()));
    if (!font) throw Exception("Cannot create the font " + face);
    return font;
}

UniqueIcon LoadIconResource(int id, int width, int height) {
    return UniqueIcon(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, width, height, LR_DEFAULTCOLOR)));
}

HCURSOR ArrowCursor() { return LoadCursorA(nullptr, IDC_ARROW); }

}  // namespace corvanta
