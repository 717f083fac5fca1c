#include "app/link_label.h"

#include <windowsx.h>

#include "app/gdi_handles.h"
#include "app/win32_util.h"

namespace corvanta {

void Label::Place(POINT at, std::string caption, HFONT font, COLORREF colour) {
    caption_ = std::move(caption);
    font_ = font;
    colour_ = colour;
    const SIZE size = TextExtent(font_, caption_);
    bounds_ = RECT{at.x, at.y, at.x + size.cx, at.y + size.cy};
}

void Label::Paint(HDC dc) const {
    const SelectedObject font(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour_);
    TextOutA(dc, bounds_.left, bounds_.top, caption_.c_str(), static_cast<int>(caption_.size()));
}

bool LinkLabel::OnMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (message) {
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wparam) == hwnd && LOWORD(lparam) == HTCLIENT) {
                POINT at{};
                GetCursorPos(&at);
                ScreenToClient(hwnd, &at);
                if (Contains(at)) {
                    SetCursor(LoadCursorA(nullptr, IDC_HAND));
                    result = TRUE;
                    return true;
                }
            }
            return false;
        case WM_LBUTTONDOWN:
            if (Contains(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)})) {
                pressed_ = true;
                SetCapture(hwnd);
            }
            result = 0;
            return true;
        case WM_LBUTTONUP: {
            result = 0;
            if (!pressed_) return true;
            pressed_ = false;
            ReleaseCapture();
            if (Contains(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}) && on_click_) on_click_();
            return true;
        }
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return false;
    }
    return false;
}

}  // namespace corvanta
