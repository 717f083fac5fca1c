// The main routine: brings the application up in a fixed order on the one
// user-interface thread, runs the message loop until the main window is
// closed, and closes down.
//
//   1. COM for this thread, as a single-threaded apartment (WMI needs it).
//   2. The application window, titled "Corvanta": the taskbar button.
//   3. The splash: constructed, shown and painted at once, since no message
//      loop runs until step 7.
//   4. The main window, created hidden (it loads its layout, runs FormCreate).
//   5. The splash timer; its 2000 ms count from here.
//   6. The main window shown: FormShow runs the first scan before it appears.
//   7. The message loop.
//   8. Close-down: the main window, then COM. Exit code 0.
//
// An error that escapes start-up is reported by the last-chance box and the
// process ends with exit code 1.
#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <memory>
#include <string>

#include "app/Unit1.h"
#include "app/app_window.h"
#include "app/com_apartment.h"
#include "app/error_box.h"
#include "app/uSplash.h"
#include "common/exception.h"
#include "common/scope_guard.h"

using namespace corvanta;

namespace {

constexpr char kApplicationTitle[] = "Corvanta";

void RunMessageLoop() {
    MSG msg;
    for (;;) {
        const BOOL result = GetMessageA(&msg, nullptr, 0, 0);
        if (result == 0) return;  // WM_QUIT: the main window was closed
        if (result == -1) throw Exception("The message loop failed");
        TranslateMessage(&msg);
        // Every window procedure of the program catches its own errors and
        // shows them in the error box. This is only a second net, for an
        // error the system does let through its own frames.
        try {
            DispatchMessageA(&msg);
        } catch (...) {
            ShowHandledException();
        }
    }
}

int Run() {
    ComApartment com;  // 1

    AppWindow application(kApplicationTitle);  // 2

    std::unique_ptr<TfrmSplash> splash = std::make_unique<TfrmSplash>();  // 3
    frmSplash = splash.get();
    ScopeGuard forgetSplash([] { frmSplash = nullptr; });
    frmSplash->Show();
    frmSplash->Repaint();

    std::unique_ptr<TForm1> form = std::make_unique<TForm1>(application.Handle());  // 4
    Form1 = form.get();
    ScopeGuard forgetForm([] { Form1 = nullptr; });
    application.SetMainWindow(Form1->Handle());

    frmSplash->EnableTimer();  // 5

    Form1->Show();  // 6
    frmSplash->BringToFront();

    RunMessageLoop();  // 7

    application.SetMainWindow(nullptr);  // 8
    form.reset();
    return 0;
}

// The last-chance handler: the error box of an error nobody handled.
void ShowLastChanceBox(const std::string& message) noexcept {
    try {
        MessageBoxA(nullptr, ErrorBoxText(message).c_str(), kApplicationTitle, MB_ICONSTOP | MB_OK | MB_TASKMODAL);
    } catch (...) {
        // Nothing is left to report with.
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        return Run();
    } catch (const Exception& e) {
        ShowLastChanceBox(e.Message());
    } catch (const std::exception& e) {
        ShowLastChanceBox(e.what());
    } catch (...) {
        ShowLastChanceBox("Unknown error");
    }
    return 1;
}
