// The splash window on its own, in this process, with the program's real
// splash layout and picture linked in (splash.rc).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "app/uSplash.h"
#include "resources/resource_ids.h"
#include "tests/support/message_pump_win.h"

namespace corvanta::test {
namespace {

double Millis(LARGE_INTEGER from) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

TEST(SplashWindow, IsABorderlessStayOnTopPictureOfTheLayoutsSize) {
    TfrmSplash splash;
    HWND hwnd = splash.Handle();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "constructed hidden";
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);

    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(hwnd, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_BORDER | WS_DLGFRAME));
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW) << "no taskbar button of its own";

    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 396);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_EQ(splash.TimerInterval(), 2000);

    splash.Show();
    EXPECT_TRUE(IsWindowVisible(hwnd));
    // No message loop runs during start-up: the splash must be painted by the
    // time Repaint returns, leaving nothing for a later WM_PAINT.
    EXPECT_TRUE(GetUpdateRect(hwnd, nullptr, FALSE));
    splash.Repaint();
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    RECT window{};
    GetWindowRect(hwnd, &window);
    EXPECT_EQ(window.left, (GetSystemMetrics(SM_CXSCREEN) - 396) / 2);
    EXPECT_EQ(window.top, (GetSystemMetrics(SM_CYSCREEN) - 200) / 2);
}

// Shape1's 2-pixel black outline around Image1, which shows the picture from
// its top-left corner, unscaled, cut 4 pixels short on the right and bottom.
TEST(SplashWindow, PaintsTheOutlineAndThePictureAtItsNaturalSize) {
    TfrmSplash splash;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 396, 200);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldTarget = SelectObject(dc, target);
    SendMessageA(splash.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);

    HBITMAP picture = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SPLASH), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(picture, nullptr);
    BITMAP info{};
    GetObjectA(picture, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 396);
    EXPECT_EQ(info.bmHeight, 200);
    EXPECT_EQ(info.bmBitsPixel, 24);
    HDC pictureDc = CreateCompatibleDC(dc);
    HGDIOBJ oldPicture = SelectObject(pictureDc, picture);

    const COLORREF black = RGB(0, 0, 0);
    struct Frame {
        int x, y;
    };
    for (const Frame& p :
         {Frame{0, 0}, Frame{1, 1}, Frame{395, 199}, Frame{394, 100}, Frame{200, 198}, Frame{0, 100}, Frame{200, 1}})
        EXPECT_EQ(GetPixel(dc, p.x, p.y), black) << "outline at " << p.x << "," << p.y;

    // Window pixel (2 + x, 2 + y) is picture pixel (x, y); sample across the
    // band, the title and the notice, and the last shown column and row.
    int differing = 0;
    for (int y = 0; y < 196; y += 7)
        for (int x = 0; x < 392; x += 5)
            if (GetPixel(dc, 2 + x, 2 + y) != GetPixel(pictureDc, x, y)) ++differing;
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(GetPixel(dc, 393, 197), GetPixel(pictureDc, 391, 195));

    SelectObject(pictureDc, oldPicture);
    DeleteDC(pictureDc);
    DeleteObject(picture);
    SelectObject(dc, oldTarget);
    DeleteObject(target);
    DeleteDC(dc);
}

// The first tick hides the splash: no sooner than the interval after the
// timer is enabled, and not before a message loop runs, however late.
TEST(SplashWindow, HidesOnTheFirstTickThatAMessageLoopDelivers) {
    {
        TfrmSplash splash;
        splash.Show();
        LARGE_INTEGER enabled;
        QueryPerformanceCounter(&enabled);
        splash.EnableTimer();
        while (IsWindowVisible(splash.Handle()) && Millis(enabled) < 10000) PumpMessagesFor(1);
        const double hiddenAfter = Millis(enabled);
        EXPECT_FALSE(IsWindowVisible(splash.Handle()));
        EXPECT_GE(hiddenAfter, 1990.0);
        EXPECT_LT(hiddenAfter, 3000.0);
    }
    {
        // Steps 5 and 6 taking longer than the interval: the splash stays up
        // until the loop runs, then goes at once.
        TfrmSplash splash;
        splash.Show();
        splash.EnableTimer();
        Sleep(2300);
        EXPECT_TRUE(IsWindowVisible(splash.Handle()));
        PumpMessagesFor(300);
        EXPECT_FALSE(IsWindowVisible(splash.Handle()));
    }
}

// A message box's own loop delivers the tick too: the splash goes while the
// box (say, the error box of a failed first scan) is still open.
TEST(SplashWindow, HidesWhileAMessageBoxIsOpen) {
    TfrmSplash splash;
    splash.Show();
    splash.EnableTimer();
    const HWND hwnd = splash.Handle();
    std::atomic<bool> visibleEarly{false}, hiddenWhileOpen{false}, boxFound{false};
    std::thread watcher([&] {
        Sleep(1500);
        visibleEarly = IsWindowVisible(hwnd) != 0;
        Sleep(1200);
        hiddenWhileOpen = !IsWindowVisible(hwnd);
        for (int i = 0; i < 500; ++i) {
            if (HWND box = FindWindowA("#32770", "Splash test box")) {
                boxFound = true;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(20);
        }
    });
    MessageBoxA(nullptr, "Open while the splash timer runs", "Splash test box", MB_OK);
    watcher.join();
    EXPECT_TRUE(boxFound);
    EXPECT_TRUE(visibleEarly);
    EXPECT_TRUE(hiddenWhileOpen);
}

TEST(SplashWindow, OnceClosedIsNeverShownAgainAndLivesOn) {
    TfrmSplash splash;
    splash.Show();
    splash.Timer1Timer(nullptr);
    EXPECT_FALSE(IsWindowVisible(splash.Handle()));
    EXPECT_TRUE(IsWindow(splash.Handle())) << "closing hides, it does not destroy";
    splash.Show();
    splash.BringToFront();
    PumpMessagesFor(300);
    EXPECT_FALSE(IsWindowVisible(splash.Handle()));
    // A close request from outside hides too and keeps the window.
    TfrmSplash other;
    other.Show();
    SendMessageA(other.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(other.Handle()));
    EXPECT_TRUE(IsWindow(other.Handle()));
}

}  // namespace
}  // namespace corvanta::test
