#pragma once
// A link line: a windowless label drawn on its parent window, with a pointing
// hand over it, that runs its click action when the left button goes down
// and comes up again over it (the mouse is captured in between). The parent
// passes its paint and mouse messages on. Windows build only.
#include <windows.h>

#include <functional>
#include <string>

namespace corvanta {

class LinkLabel {
public:
    // Sets the text, font, colour and top-left corner (client coordinates);
    // the bounds are the text's extent from there.
    void Place(POINT at, std::string caption, HFONT font, COLORREF colour);
    void OnClick(std::function<void()> action) { on_click_ = std::move(action); }

    const RECT& Bounds() const { return bounds_; }
    const std::string& Caption() const { return caption_; }

    void Paint(HDC dc) const;
    // A message of the parent `hwnd`; true when the label has answered it
    // with `result`.
    bool OnMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

private:
    bool Contains(POINT at) const { return PtInRect(&bounds_, at) != FALSE; }

    std::string caption_;
    HFONT font_ = nullptr;
    COLORREF colour_ = 0;
    RECT bounds_{};
    bool pressed_ = false;
    std::function<void()> on_click_;
};

}  // namespace corvanta
