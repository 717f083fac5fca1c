#pragma once
// The application window: a window of no size that carries the program's
// taskbar button and task-switcher entry under the application title, and
// owns the main window (so the main window has no button of its own).
// Activating it, or closing it from the taskbar, is passed on to the main
// window.
#include <windows.h>

#include "app/window_base.h"

namespace corvanta {

class AppWindow : public WindowBase {
public:
    // Creates and shows the window with the given title; throws
    // corvanta::Exception on failure.
    explicit AppWindow(const char* title);
    // The window that activation and close requests go to. The main window
    // is owned by this one and must not carry a taskbar button of its own,
    // so a hidden main window's WS_EX_APPWINDOW is taken away here.
    void SetMainWindow(HWND main);

private:
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

    HWND main_ = nullptr;
};

}  // namespace corvanta
