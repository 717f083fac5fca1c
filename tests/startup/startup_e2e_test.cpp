// The real corvanta.exe, started as a person starts it and watched from the
// outside through its top-level windows: the splash, the main window, the
// taskbar button, closing, and a start-up that fails.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/startup/program_watch.h"

namespace corvanta::test {
namespace {

constexpr char kMainTitle[] = "Dravenholt Corvanta";
constexpr char kSplashClass[] = "TfrmSplash";
// Generous: under Wine on a busy machine a start takes a few seconds.
constexpr double kStartTimeout = 60000.0;

std::string ProgramPath() { return WinePath(CORVANTA_EXE); }
std::string FailingProgramPath() { return WinePath(CORVANTA_NO_LAYOUT_EXE); }

// What was seen of one run, in milliseconds since the start (-1: never).
struct Timeline {
    double splashShown = -1;
    double mainShown = -1;
    double splashHidden = -1;
    bool splashShownAgain = false;
    bool splashVisibleWhenMainAppeared = false;
    std::vector<WindowInfo> windowsWhenMainAppeared;
    HWND main = nullptr;
};

// Samples the windows every few milliseconds until `done` says so.
template <typename Done>
Timeline Watch(const Program& program, Done done) {
    Timeline t;
    while (program.Running() && program.Now() < kStartTimeout && !done(t, program.Now())) {
        const std::vector<WindowInfo> windows = program.Windows();
        const double now = program.Now();
        const WindowInfo* splash = FindByClass(windows, kSplashClass);
        const WindowInfo* main = FindByTitle(windows, kMainTitle);
        const bool splashVisible = splash && splash->visible;
        if (splashVisible && t.splashShown < 0) t.splashShown = now;
        if (splashVisible && t.splashHidden >= 0) t.splashShownAgain = true;
        if (!splashVisible && t.splashShown >= 0 && t.splashHidden < 0) t.splashHidden = now;
        if (main && main->visible && t.mainShown < 0) {
            t.mainShown = now;
            t.main = main->hwnd;
            t.splashVisibleWhenMainAppeared = splashVisible;
            t.windowsWhenMainAppeared = windows;
        }
        Sleep(3);
    }
    return t;
}

TEST(Startup, SplashCoversTheFirstScanAndHidesAfterTheLaterOf2sAndTheLoop) {
    Program program(ProgramPath());
    ASSERT_TRUE(program.Started()) << ProgramPath();
    // Watch until the splash has been gone for a while, to see it stays gone.
    const Timeline t = Watch(program, [](const Timeline& seen, double now) {
        return seen.splashHidden >= 0 && now > seen.splashHidden + 800;
    });
    ASSERT_GE(t.splashShown, 0) << "the splash never appeared";
    ASSERT_GE(t.mainShown, 0) << "the main window never appeared";
    ASSERT_GE(t.splashHidden, 0) << "the splash never went away";

    EXPECT_LT(t.splashShown, t.mainShown) << "the splash is up before the main window is built";
    EXPECT_GE(t.splashHidden, t.mainShown) << "the splash stays until the main window is on the screen";
    // The timer is enabled after the splash is shown, so it cannot tick
    // sooner than 2000 ms after the splash was first seen, less the gap
    // between two samples (allowed generously for a busy machine; the
    // splash's own test measures the interval exactly).
    EXPECT_GE(t.splashHidden - t.splashShown, 2000.0 - 100.0);
    // ...and goes soon after the later of the two moments.
    EXPECT_LT(t.splashHidden, std::max(t.splashShown + 2000.0, t.mainShown) + 1500.0);
    EXPECT_FALSE(t.splashShownAgain);

    // The taskbar: exactly one button, the application window's, titled
    // "Corvanta"; it owns the main window.
    std::vector<const WindowInfo*> buttons;
    for (const WindowInfo& w : t.windowsWhenMainAppeared)
        if (w.HasTaskbarButton()) buttons.push_back(&w);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0]->title, "Corvanta");
    const WindowInfo* main = FindByTitle(t.windowsWhenMainAppeared, kMainTitle);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->owner, buttons[0]->hwnd);

    // Closing the main window ends the program with exit code 0.
    PostMessageA(t.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(20000), 0);
}

// The splash ignores the mouse: a click does not activate it and a drag does
// not move it. Then the user closes the main window while the splash is still
// up: the program ends all the same.
TEST(Startup, SplashIgnoresClicksAndDragsAndClosingEarlyEndsTheProgram) {
    Program program(ProgramPath());
    ASSERT_TRUE(program.Started());
    const Timeline seen = Watch(program, [](const Timeline& t, double) { return t.splashShown >= 0; });
    const std::vector<WindowInfo> windows = program.Windows();
    const WindowInfo* splash = FindByClass(windows, kSplashClass);
    ASSERT_TRUE(splash && splash->visible) << "the splash never appeared";
    const RECT before = splash->rect;

    const int x = (before.left + before.right) / 2;
    const int y = (before.top + before.bottom) / 2;
    auto mouse = [](DWORD flags, int px, int py) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = MulDiv(px, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(py, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
        input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
        SendInput(1, &input, sizeof input);
        Sleep(30);
    };
    mouse(0, x, y);
    mouse(MOUSEEVENTF_LEFTDOWN, x, y);
    mouse(0, x + 40, y + 30);
    mouse(0, x + 80, y + 60);
    mouse(MOUSEEVENTF_LEFTUP, x + 80, y + 60);
    Sleep(100);

    RECT after{};
    GetWindowRect(splash->hwnd, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_NE(GetForegroundWindow(), splash->hwnd);

    // Close the main window the moment it appears.
    const Timeline t = Watch(program, [](const Timeline& s, double) { return s.mainShown >= 0; });
    ASSERT_GE(t.mainShown, 0) << "the main window never appeared";
    PostMessageA(t.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(20000), 0);
    (void)seen;
}

// A start-up that fails (here: a build without the main window's layout) is
// reported by the last-chance box, and the process ends with exit code 1.
TEST(Startup, AFailedStartIsReportedAndEndsWithExitCode1) {
    Program program(FailingProgramPath());
    ASSERT_TRUE(program.Started()) << FailingProgramPath();
    HWND box = nullptr;
    bool mainSeen = false;
    while (program.Running() && program.Now() < kStartTimeout && !box) {
        for (const WindowInfo& w : program.Windows()) {
            if (w.title == kMainTitle && w.visible) mainSeen = true;
            if (w.className == "#32770" && w.visible && w.title == "Corvanta") box = w.hwnd;
        }
        Sleep(5);
    }
    ASSERT_NE(box, nullptr) << "no error box appeared";
    EXPECT_FALSE(mainSeen);
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_NE(std::string(text), "") << "the box says what went wrong";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.WaitForExit(20000), 1);
}

// The resources a user meets outside the program: the version information
// Explorer shows, the manifest, the icon's sizes and the splash picture.
TEST(Startup, ProgramCarriesItsVersionInformationManifestIconAndPicture) {
    const std::string path = ProgramPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(
        VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 0x04E4);
    struct Expected {
        const char* key;
        const char* value;  // nullptr: any text that is not empty
    };
    for (const Expected& e : {Expected{"CompanyName", "Dravenholt"}, Expected{"ProductName", "Corvanta"},
                              Expected{"FileDescription", nullptr}, Expected{"FileVersion", nullptr},
                              Expected{"ProductVersion", nullptr}}) {
        char* value = nullptr;
        const std::string query = std::string("\\StringFileInfo\\040904E4\\") + e.key;
        ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) << e.key;
        if (e.value) {
            EXPECT_STREQ(value, e.value) << e.key;
        } else {
            EXPECT_GT(std::string(value).size(), 0u) << e.key;
        }
    }

    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    auto resource = [module](LPCSTR type, int id) -> std::string {
        HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        if (!info) return {};
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, info)));
        return data ? std::string(data, SizeofResource(module, info)) : std::string();
    };

    const std::string manifest = resource(MAKEINTRESOURCEA(24) /* RT_MANIFEST */, 1);
    for (const char* needle : {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"", "asInvoker", "<dpiAware",
                               "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a" /* Windows 10 and 11 */,
                               "e2011457-1546-43c5-a5fe-008deee3d3f0" /* Vista */})
        EXPECT_NE(manifest.find(needle), std::string::npos) << needle;

    // The icon group: one image each of 16, 32 and 48 pixels.
    const std::string group = resource(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, IDI_CORVANTA);
    ASSERT_GE(group.size(), 6u);
    const int count = static_cast<unsigned char>(group[4]) | (static_cast<unsigned char>(group[5]) << 8);
    ASSERT_EQ(group.size(), 6u + 14u * static_cast<unsigned>(count));
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) sizes.push_back(static_cast<unsigned char>(group[6 + 14 * i]));
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));

    const std::string bitmap = resource(MAKEINTRESOURCEA(2) /* RT_BITMAP */, IDB_SPLASH);
    ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    memcpy(&header, bitmap.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 396);
    EXPECT_EQ(header.biHeight, 200);
    EXPECT_EQ(header.biBitCount, 24);

    EXPECT_FALSE(resource(MAKEINTRESOURCEA(10) /* RT_RCDATA */, IDR_LAYOUT_SPLASH).empty());
    EXPECT_FALSE(resource(MAKEINTRESOURCEA(10) /* RT_RCDATA */, IDR_LAYOUT_MAIN).empty());
    FreeLibrary(module);
}

}  // namespace
}  // namespace corvanta::test
