#include "app/window_base.h"

#include "app/error_box.h"
#include "app/win32_util.h"
#include "common/exception.h"

namespace corvanta {

WindowBase::~WindowBase() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

namespace {

void RegisterOnce(HINSTANCE instance, const WindowClass& window_class, WNDPROC procedure, const char* what) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, window_class.name, &existing)) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    // The icons belong to the class from here on, for the program's lifetime.
    if (window_class.icon_id) {
        wc.hIcon =
            LoadIconResource(window_class.icon_id, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)).release();
        wc.hIconSm =
            LoadIconResource(window_class.icon_id, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON))
                .release();
    }
    wc.hCursor = ArrowCursor();
    wc.hbrBackground = window_class.background;
    wc.lpszClassName = window_class.name;
    // Another thread may have come first; its class is as good as ours.
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw Exception(std::string("Cannot register the class of ") + what);
}

}  // namespace

void WindowBase::Create(const WindowClass& window_class, const WindowPlacement& placement, const char* what) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterOnce(instance, window_class, Procedure, what);
    HWND created =
        CreateWindowExA(placement.ex_style, window_class.name, placement.title, placement.style, placement.x,
                        placement.y, placement.width, placement.height, placement.parent, nullptr, instance, this);
    if (!created) throw Exception(std::string("Cannot create ") + what);
}

void WindowBase::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT WindowBase::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    return DefaultMessage(message, wparam, lparam);
}

LRESULT WindowBase::DefaultMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK WindowBase::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
    // No exception may cross the system's frames back into the message loop.
    try {
        return self->OnMessage(message, wparam, lparam);
    } catch (...) {
        ShowHandledException();
        return 0;
    }
}

}  // namespace corvanta
