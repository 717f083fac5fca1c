#pragma once
// Windowless text on a window: a Label is one line drawn in its font and
// colour; a LinkLabel adds a pointing hand over it and runs its click action
// when the left button goes down and comes up again over it (the mouse is
// captured in between). The window passes its paint and mouse messages on.
// Windows build only.
#include <windows.h>

#include <functional>
#include <string>

namespace corvanta {

class Label {
public:
    // Sets the text, font, colour and top-left corner (client coordinates);
    // the bounds are the text's extent from there.
    void Place(POINT at, std::string caption, HFONT font, COLORREF colour);

    const RECT& Bounds() const { return bounds_; }
    const std::string& Caption() const { return caption_; }

    void Paint(HDC dc) const;

protected:
    bool Contains(POINT at) const { return PtInRect(&bounds_, at) != FALSE; }

private:
    std::string caption_;
    HFONT font_ = nullptr;
    COLORREF colour_ = 0;
    RECT bounds_{};
};

class LinkLabel : public Label {
public:
    void OnClick(std::function<void()> action) { on_click_ = std::move(action); }

    // A message of the window `hwnd` it is drawn on; true when the link has
    // answered it with `result`.
    bool OnMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

private:
    bool pressed_ = false;
    std::function<void()> on_click_;
};

}  // namespace corvanta
