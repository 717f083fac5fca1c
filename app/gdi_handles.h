#pragma once
// Owners for GDI and USER objects, over the one UniqueHandle: fonts, brushes,
// pens, bitmaps, icons and menus; a window's device context; a memory DC; and
// an object selected into a DC for a while. All move-only, so nothing is
// freed twice. Windows build only.
#include <windows.h>

#include <utility>

#include "common/unique_handle.h"

namespace corvanta {

template <typename Handle>
struct GdiObjectTraits {
    using Type = Handle;
    static Type Invalid() { return nullptr; }
    static void Close(Type object) { DeleteObject(object); }
};
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueHandle<GdiObjectTraits<HPEN>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;

struct IconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static void Close(Type icon) { DestroyIcon(icon); }
};
using UniqueIcon = UniqueHandle<IconTraits>;

struct MenuTraits {
    using Type = HMENU;
    static Type Invalid() { return nullptr; }
    static void Close(Type menu) { DestroyMenu(menu); }
};
using UniqueMenu = UniqueHandle<MenuTraits>;

// CreateCompatibleDC's DC, deleted with DeleteDC.
struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static void Close(Type dc) { DeleteDC(dc); }
};
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;

// GetDC's DC of a window (or of the screen, for no window), released to the
// same window.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDc() { reset(); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    WindowDc(WindowDc&& other) noexcept : hwnd_(other.hwnd_), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDc& operator=(WindowDc&& other) noexcept {
        if (this != &other) {
            reset();
            hwnd_ = other.hwnd_;
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    void reset() {
        if (HDC dc = std::exchange(dc_, nullptr)) ReleaseDC(hwnd_, dc);
    }

    HWND hwnd_ = nullptr;
    HDC dc_ = nullptr;
};

// SelectObject for the guard's lifetime: the DC's previous object goes back
// in when the guard ends.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() { reset(); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    SelectedObject(SelectedObject&& other) noexcept : dc_(other.dc_), old_(std::exchange(other.old_, nullptr)) {}
    SelectedObject& operator=(SelectedObject&& other) noexcept {
        if (this != &other) {
            reset();
            dc_ = other.dc_;
            old_ = std::exchange(other.old_, nullptr);
        }
        return *this;
    }

private:
    void reset() {
        if (HGDIOBJ old = std::exchange(old_, nullptr)) SelectObject(dc_, old);
    }

    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

}  // namespace corvanta
