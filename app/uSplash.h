#pragma once
// The splash window: a borderless picture that stays on top while the main
// window is built and first filled, and hides itself on the first tick of its
// timer. Its layout is the RCDATA resource IDR_LAYOUT_SPLASH.
//
// Lifecycle: constructed hidden -> Show() -> the first Timer1 tick hides it
// for good. Closing only hides; the object and its window live on.
#include <windows.h>

#include "app/gdi_handles.h"
#include "app/window_base.h"

namespace corvanta {

class TfrmSplash : public WindowBase {
public:
    // Loads the layout and the picture and creates the window, hidden and
    // with no owner. Throws corvanta::Exception on failure.
    TfrmSplash();

    // Centres the window on the screen, makes it visible and brings it to the
    // front. Does nothing once the splash has been closed: it is shown once.
    void Show();
    // Puts the window back in front of every window that is not itself a
    // stay-on-top window (Wine may map a newly shown window above it).
    void BringToFront();
    // Paints the window now, without waiting for a message loop.
    void Repaint();
    // Hides the window (the object lives on).
    void Close();
    // Timer1.Enabled := true. The interval counts from this call; ticks come
    // only while a message loop runs.
    void EnableTimer();

    void Timer1Timer(void* Sender);

    int TimerInterval() const { return timerInterval_; }

private:
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void Restack();
    void Paint(HDC dc) const;
    int Scale(int pixels96) const;

    UniqueBitmap picture_;
    int dpi_ = 96;
    bool topmost_ = true;
    bool closed_ = false;
    bool timerEnabled_ = false;
    int timerInterval_ = 2000;
    RECT client_{0, 0, 396, 200};
    RECT shape_{0, 0, 396, 200};
    int penWidth_ = 2;
    COLORREF penColour_ = RGB(0, 0, 0);
    COLORREF fillColour_ = RGB(255, 255, 255);
    RECT image_{2, 2, 394, 198};
};

// The one instance; it has no owner and is never freed before the process ends.
extern TfrmSplash* frmSplash;

}  // namespace corvanta
