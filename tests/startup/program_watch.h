#pragma once
// Starts a copy of the program and watches its top-level windows from the
// outside, the way a person (or the shell's taskbar) sees them.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace corvanta::test {

struct WindowInfo {
    HWND hwnd = nullptr;
    std::string title;
    std::string className;
    HWND owner = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    bool visible = false;
    RECT rect{};

    // The shell's rule for which windows get a taskbar button.
    bool HasTaskbarButton() const {
        if (!visible) return false;
        if (exStyle & WS_EX_APPWINDOW) return true;
        if (exStyle & WS_EX_TOOLWINDOW) return false;
        return owner == nullptr;
    }
};

// A path of this Linux build tree as Wine sees it, on drive Z:.
inline std::string WinePath(const std::string& unixPath) {
    std::string out = "Z:";
    for (char c : unixPath) out += c == '/' ? '\\' : c;
    return out;
}

class Program {
public:
    explicit Program(const std::string& exe) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string commandLine = "\"" + exe + "\"";
        started_ = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                                  &pi_) != 0;
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    ~Program() {
        if (started_) {
            if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 99);
            WaitForSingleObject(pi_.hProcess, 5000);
            CloseHandle(pi_.hThread);
            CloseHandle(pi_.hProcess);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return started_; }

    // Milliseconds since the program was started.
    double Now() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency_.QuadPart);
    }

    bool Running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

    // The process's top-level windows, front first.
    std::vector<WindowInfo> Windows() const {
        Collector collector{pi_.dwProcessId, {}};
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&collector));
        return collector.found;
    }

    // Waits for the process to end; the exit code, or -1 on a time-out.
    long WaitForExit(DWORD milliseconds) const {
        if (WaitForSingleObject(pi_.hProcess, milliseconds) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    struct Collector {
        DWORD pid;
        std::vector<WindowInfo> found;
    };

    static BOOL CALLBACK Collect(HWND hwnd, LPARAM lParam) {
        auto* c = reinterpret_cast<Collector*>(lParam);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid != c->pid) return TRUE;
        WindowInfo w;
        w.hwnd = hwnd;
        char text[256] = {};
        GetWindowTextA(hwnd, text, sizeof text);
        w.title = text;
        GetClassNameA(hwnd, text, sizeof text);
        w.className = text;
        w.owner = GetWindow(hwnd, GW_OWNER);
        w.style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
        w.exStyle = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE));
        w.visible = IsWindowVisible(hwnd) != 0;
        GetWindowRect(hwnd, &w.rect);
        c->found.push_back(w);
        return TRUE;
    }

    PROCESS_INFORMATION pi_{};
    bool started_ = false;
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
};

inline const WindowInfo* FindByTitle(const std::vector<WindowInfo>& windows, const std::string& title) {
    for (const WindowInfo& w : windows)
        if (w.title == title) return &w;
    return nullptr;
}

inline const WindowInfo* FindByClass(const std::vector<WindowInfo>& windows, const std::string& className) {
    for (const WindowInfo& w : windows)
        if (w.className == className) return &w;
    return nullptr;
}

}  // namespace corvanta::test
