// Starts Corvanta and drives it for tools/run.sh, which takes pictures of it
// where there is no display to look at. It runs inside the same Wine virtual
// desktop as the program (a second program started into an existing desktop
// would not run), so it starts the program itself:
//
//   corvanta_pages PROGRAM SYNC_DIR
//
// It waits until the main window is on the screen and the splash has gone
// and prints "window LEFT TOP WIDTH HEIGHT". Then, for each page N (0, 1, 2),
// it turns to the page as a user would, so the page's own work runs, prints
// "page N" and waits until the script has taken its picture and created the
// file SYNC_DIR\shot-N. Last it closes the main window and prints
// "closed EXITCODE". A failure prints "error TEXT" and exits with 1.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

constexpr char kMainTitle[] = "Dravenholt Corvanta";
constexpr DWORD kStartTimeout = 180000;
constexpr DWORD kShotTimeout = 60000;

[[noreturn]] void Fail(const std::string& text) {
    std::printf("error %s\n", text.c_str());
    std::fflush(stdout);
    ExitProcess(1);
}

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

HWND VisibleWindow(const char* className, const char* title) {
    HWND hwnd = FindWindowA(className, title);
    return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: corvanta_pages PROGRAM SYNC_DIR\n");
        return 2;
    }
    const std::string program = argv[1];
    const std::string sync = argv[2];

    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string commandLine = "\"" + program + "\"";
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        Fail("cannot start " + program);

    HWND main = nullptr;
    const DWORD start = GetTickCount();
    while (!main) {
        HWND candidate = VisibleWindow(nullptr, kMainTitle);
        if (candidate && !VisibleWindow("TfrmSplash", nullptr)) main = candidate;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) Fail("the program ended before its window showed");
        if (GetTickCount() - start > kStartTimeout) Fail("no main window after 180 s");
        Sleep(100);
    }
    RECT r{};
    GetWindowRect(main, &r);
    Say("window " + std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) +
        " " + std::to_string(r.bottom - r.top));

    HWND tabs = FindWindowExA(main, nullptr, WC_TABCONTROLA, nullptr);
    if (!tabs) Fail("the main window has no pages");
    for (int page = 0; page < 3; ++page) {
        // The same request as a click on the tab: the window is notified,
        // shows the page and runs its work before this call returns.
        SendMessageA(tabs, TCM_SETCURFOCUS, static_cast<WPARAM>(page), 0);
        if (SendMessageA(tabs, TCM_GETCURSEL, 0, 0) != page) Fail("page " + std::to_string(page) + " did not open");
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Say("page " + std::to_string(page));
        const std::string shot = sync + "\\shot-" + std::to_string(page);
        const DWORD asked = GetTickCount();
        while (!FileExists(shot)) {
            if (GetTickCount() - asked > kShotTimeout) Fail("no picture taken of page " + std::to_string(page));
            Sleep(50);
        }
    }

    PostMessageA(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) Fail("the program did not end");
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    Say("closed " + std::to_string(code));
    return 0;
}
