#include "app/app_window.h"

#include "resources/resource_ids.h"

namespace corvanta {
namespace {

constexpr char kClassName[] = "CorvantaApplication";
constexpr UINT kActivateMain = WM_APP + 1;

}  // namespace

AppWindow::AppWindow(const char* title) {
    WindowClass window_class;
    window_class.name = kClassName;
    window_class.icon_id = IDI_CORVANTA;
    // Unowned, visible and not a tool window: that is what earns a taskbar
    // button. No size, so it never shows anything on the screen itself.
    WindowPlacement placement;
    placement.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS;
    placement.title = title;
    placement.x = GetSystemMetrics(SM_CXSCREEN) / 2;
    placement.y = GetSystemMetrics(SM_CYSCREEN) / 2;
    Create(window_class, placement, "the application window");
    SetWindowPos(Handle(), nullptr, placement.x, placement.y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
}

void AppWindow::SetMainWindow(HWND main) {
    main_ = main;
    if (!main || IsWindowVisible(main)) return;
    const LONG exStyle = GetWindowLongA(main, GWL_EXSTYLE);
    if (exStyle & WS_EX_APPWINDOW) SetWindowLongA(main, GWL_EXSTYLE, exStyle & ~WS_EX_APPWINDOW);
}

LRESULT AppWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_GETMINMAXINFO: {
            // A captioned window would otherwise be given a minimum size.
            auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
            info->ptMinTrackSize = POINT{0, 0};
            return 0;
        }
        case WM_ACTIVATE:
            // Chosen from the taskbar or the task switcher: hand the focus on once
            // the activation is over. A modal box, if one is open, goes first.
            if (LOWORD(wparam) != WA_INACTIVE) PostMessageA(Handle(), kActivateMain, 0, 0);
            return 0;
        case kActivateMain: {
            HWND target = main_;
            HWND popup = GetLastActivePopup(Handle());
            if (popup && popup != Handle() && IsWindowVisible(popup) && IsWindowEnabled(popup) &&
                !(GetWindowLongA(popup, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
                target = popup;
            if (target && IsWindowVisible(target) && GetActiveWindow() == Handle()) SetActiveWindow(target);
            return 0;
        }
        case WM_CLOSE:
            // "Close window" on the taskbar button closes the main window, which
            // ends the program.
            if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
            return 0;
        default:
            break;
    }
    return DefaultMessage(message, wparam, lparam);
}

}  // namespace corvanta
