#pragma once
// The one base of the program's windows. It registers a window class on first
// use (a class registered before is accepted), binds the object to its window
// at WM_NCCREATE and lets go at WM_NCDESTROY, and hands every message in
// between to the object's OnMessage behind the one exception firewall: an
// error goes to the standard error box and the message loop goes on.
// Windows build only.
#include <windows.h>

namespace corvanta {

// What a window class differs in; the procedure, instance and the arrow
// cursor are the same for all.
struct WindowClass {
    const char* name = nullptr;
    HBRUSH background = nullptr;
    // The icon resource of the class (large and small), loaded when the class
    // is registered and kept by it; 0 for none.
    int icon_id = 0;
};

struct WindowPlacement {
    DWORD ex_style = 0;
    DWORD style = 0;
    const char* title = "";
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    HWND parent = nullptr;
};

class WindowBase {
public:
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    HWND Handle() const { return hwnd_; }

protected:
    WindowBase() = default;
    // Destroys the window if it is still there, without calling OnMessage:
    // the derived object is gone by now.
    virtual ~WindowBase();

    // Registers `window_class` unless this program has already, and creates the window bound to
    // this object. Throws corvanta::Exception with `what` on failure.
    void Create(const WindowClass& window_class, const WindowPlacement& placement, const char* what);
    // Destroys the window now (with the object still whole).
    void Destroy();

    // The last member of a derived window whose members the window uses:
    // destroys the window while every other member is still there, also when
    // the derived constructor fails part way.
    class DestroyedFirst {
    public:
        explicit DestroyedFirst(WindowBase& window) : window_(window) {}
        ~DestroyedFirst() { window_.Destroy(); }
        DestroyedFirst(const DestroyedFirst&) = delete;
        DestroyedFirst& operator=(const DestroyedFirst&) = delete;

    private:
        WindowBase& window_;
    };

    // A message for the window; the default is DefWindowProcA's answer.
    virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT DefaultMessage(UINT message, WPARAM wparam, LPARAM lparam);

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

    HWND hwnd_ = nullptr;
};

}  // namespace corvanta
