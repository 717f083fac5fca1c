#include "app/app_window.h"

#include "common/exception.h"
#include "resources/resource_ids.h"

namespace corvanta {
namespace {

constexpr char kClassName[] = "CorvantaApplication";
constexpr UINT kActivateMain = WM_APP + 1;

}  // namespace

AppWindow::AppWindow(const char* title) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_CORVANTA), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_CORVANTA), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw Exception("The application window class could not be registered");

    // Unowned, visible and not a tool window: that is what earns a taskbar
    // button. No size, so it never shows anything on the screen itself.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    hwnd_ = CreateWindowExA(0, kClassName, title, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS,
                            x, y, 0, 0, nullptr, nullptr, instance, this);
    if (!hwnd_) throw Exception("The application window could not be created");
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
}

AppWindow::~AppWindow() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void AppWindow::SetMainWindow(HWND main) {
    main_ = main;
    if (!main || IsWindowVisible(main)) return;
    const LONG exStyle = GetWindowLongA(main, GWL_EXSTYLE);
    if (exStyle & WS_EX_APPWINDOW) SetWindowLongA(main, GWL_EXSTYLE, exStyle & ~WS_EX_APPWINDOW);
}

LRESULT CALLBACK AppWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* self = static_cast<AppWindow*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<AppWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT AppWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETMINMAXINFO: {
        // A captioned window would otherwise be given a minimum size.
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = POINT{0, 0};
        return 0;
    }
    case WM_ACTIVATE:
        // Chosen from the taskbar or the task switcher: hand the focus on once
        // the activation is over. A modal box, if one is open, goes first.
        if (LOWORD(wParam) != WA_INACTIVE) PostMessageA(hwnd_, kActivateMain, 0, 0);
        return 0;
    case kActivateMain: {
        HWND target = main_;
        HWND popup = GetLastActivePopup(hwnd_);
        if (popup && popup != hwnd_ && IsWindowVisible(popup) && IsWindowEnabled(popup) &&
            !(GetWindowLongA(popup, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
            target = popup;
        if (target && IsWindowVisible(target) && GetActiveWindow() == hwnd_) SetActiveWindow(target);
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
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace corvanta
