#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "app/shell_helpers.h"
#include "app/win32_util.h"

namespace corvanta {

// The mirrored show command is the system's own. crDefault and crHourGlass
// are the program's cursor numbers, not Windows constants: SystemShell maps
// them to IDC_ARROW and IDC_WAIT.
static_assert(kSwShowNormal == SW_SHOWNORMAL);

namespace {

constexpr UINT_PTR kBusySubclassId = 0x43425359;  // 'CBSY'

// While the busy cursor is on, every window of the program answers
// WM_SETCURSOR with the hour-glass before its own code can pick a cursor.
LRESULT CALLBACK BusyCursorProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    if (message == WM_SETCURSOR) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        return TRUE;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, BusyCursorProc, kBusySubclassId);
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM out) {
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(child);
    return TRUE;
}

BOOL CALLBACK CollectTop(HWND top, LPARAM out) {
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(top);
    EnumChildWindows(top, CollectChild, out);
    return TRUE;
}

// The program's windows: every window of this thread and all their children.
std::vector<HWND> ProgramWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectTop, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// Lets the window under the pointer choose its cursor again now, instead of
// at the next mouse move.
void RefreshCursorUnderPointer() {
    POINT at{};
    if (!GetCursorPos(&at)) return;
    HWND hwnd = WindowFromPoint(at);
    if (!hwnd || GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()) {
        SetCursor(ArrowCursor());
        return;
    }
    const LRESULT hit = SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
    SendMessageA(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(hit, WM_MOUSEMOVE));
}

class SystemShell : public ShellApi {
public:
    std::uintptr_t Execute(const char* verb, const char* file, const char* parameters, const char* directory,
                           int show) override {
        return reinterpret_cast<std::uintptr_t>(ShellExecuteA(nullptr, verb, file, parameters, directory, show));
    }

    void ApplyCursor(int cursor) override {
        const bool busy = cursor == crHourGlass;
        for (HWND hwnd : ProgramWindows()) {
            if (busy)
                SetWindowSubclass(hwnd, BusyCursorProc, kBusySubclassId, 0);
            else
                RemoveWindowSubclass(hwnd, BusyCursorProc, kBusySubclassId);
        }
        // Shown at once, also while a synchronous scan holds the thread and
        // no WM_SETCURSOR arrives.
        if (busy)
            SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        else
            RefreshCursorUnderPointer();
    }
};

SystemShell system_shell;
ShellApi* current_shell = &system_shell;

// The shell in force now, for both the web address and the cursor, so a
// test's shell replaces the whole of the system one.
class CurrentShell : public ShellApi {
public:
    std::uintptr_t Execute(const char* verb, const char* file, const char* parameters, const char* directory,
                           int show) override {
        return current_shell->Execute(verb, file, parameters, directory, show);
    }
    void ApplyCursor(int cursor) override { current_shell->ApplyCursor(cursor); }
};

ScreenCursor& Screen() {
    static CurrentShell shell;
    static ScreenCursor screen(shell);
    return screen;
}

// The scans see the same application-wide cursor.
class ScreenCursorServiceImpl : public CursorService {
public:
    void ShowBusyCursor() override { corvanta::ShowBusyCursor(); }
    void ShowDefaultCursor() override { corvanta::ShowDefaultCursor(); }
};

}  // namespace

bool OpenWebAddress(const std::string& Address, bool Secure) { return OpenWebAddress(*current_shell, Address, Secure); }

void ShowBusyCursor() { Screen().SetCursor(crHourGlass); }

void ShowDefaultCursor() { Screen().SetCursor(crDefault); }

CursorService& ScreenCursorService() {
    static ScreenCursorServiceImpl service;
    return service;
}

void SetShellForTesting(ShellApi* shell) { current_shell = shell ? shell : &system_shell; }

}  // namespace corvanta
