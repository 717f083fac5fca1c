#include "app/uSplash.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "app/layout.h"
#include "app/win32_util.h"
#include "common/exception.h"
#include "resources/resource_ids.h"

namespace corvanta {

TfrmSplash* frmSplash = nullptr;

namespace {

constexpr char kClassName[] = "TfrmSplash";
constexpr UINT_PTR kTimerId = 1;
// While the splash is up, it puts itself back in front this often: see
// BringToFront.
constexpr UINT_PTR kRestackTimerId = 2;
constexpr UINT kRestackInterval = 100;

Layout LoadSplashLayout() {
    return ParseLayout(LoadRcData(IDR_LAYOUT_SPLASH, "The splash window's layout could not be loaded"));
}

RECT Bounds(const LayoutItem& item) {
    const std::vector<int> b = item.Ints("rect", 4);
    if (b[2] < 0 || b[3] < 0) item.Fail("negative size");
    return RECT{b[0], b[1], b[0] + b[2], b[1] + b[3]};
}

// A control of the splash, which has no others.
const LayoutItem& FindControl(const Layout& layout, std::string_view name) {
    const LayoutItem& item = layout.Find(name);
    if (item.Text("parent") != "frmSplash") item.Fail("not on the splash window");
    return item;
}

}  // namespace

TfrmSplash::TfrmSplash() {
    const Layout layout = LoadSplashLayout();
    const LayoutItem& form = layout.Find("frmSplash");
    if (form.kind != "form") form.Fail("expected a form");
    const std::vector<int> client = form.Ints("client", 2);
    if (client[0] <= 0 || client[1] <= 0) form.Fail("bad client size");
    client_ = RECT{0, 0, client[0], client[1]};
    if (form.Text("border", "none") != "none") form.Fail("the splash has no border");
    if (form.Text("position", "center") != "center") form.Fail("the splash is centred on the screen");
    topmost_ = form.Flag("topmost", true);

    const LayoutItem& shape = FindControl(layout, "Shape1");
    shape_ = Bounds(shape);
    penWidth_ = shape.Int("penwidth", 1);
    if (penWidth_ < 0) shape.Fail("negative pen width");
    penColour_ = shape.Color("pen");
    fillColour_ = shape.Color("fill");

    const LayoutItem& image = FindControl(layout, "Image1");
    image_ = Bounds(image);
    const int bitmapId = image.Int("bitmap");

    const LayoutItem& timer = FindControl(layout, "Timer1");
    timerInterval_ = timer.Int("interval");
    if (timerInterval_ <= 0) timer.Fail("the interval must be positive");
    // The timer starts disabled: start-up enables it once the main window
    // exists, and the interval counts from there.
    if (timer.Flag("enabled", false)) timer.Fail("the timer starts disabled");
    timerEnabled_ = false;
    layout.RejectUnreadKeys();

    picture_.reset(static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!picture_) throw Exception("The splash picture could not be loaded");

    dpi_ = SystemDpi();

    // A tool window: no taskbar button and no task-switcher entry of its own,
    // so the application window stays the program's only one.
    WindowClass window_class;
    window_class.name = kClassName;
    WindowPlacement placement;
    placement.ex_style = WS_EX_TOOLWINDOW | (topmost_ ? WS_EX_TOPMOST : 0);
    placement.style = WS_POPUP;
    placement.width = Scale(client_.right);
    placement.height = Scale(client_.bottom);
    Create(window_class, placement, "the splash window");
}

int TfrmSplash::Scale(int pixels96) const { return corvanta::Scale(pixels96, dpi_); }

void TfrmSplash::Show() {
    if (closed_) return;
    RECT window{};
    GetWindowRect(Handle(), &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    // In front, but not activated: the splash takes no input, and the
    // program's first active window is the main window.
    SetWindowPos(Handle(), topmost_ ? HWND_TOPMOST : HWND_TOP, x, y, 0, 0,
                 SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void TfrmSplash::BringToFront() {
    Restack();
    // Some displays (Wine's) raise a newly shown window above the splash on
    // the screen while the window order says otherwise, once the new window's
    // activation has run in the message loop. Until the splash hides, put it
    // back in front now and then; where the display is right this changes
    // nothing on the screen.
    if (!closed_) SetTimer(Handle(), kRestackTimerId, kRestackInterval, nullptr);
}

void TfrmSplash::Restack() {
    if (closed_ || !IsWindowVisible(Handle())) return;
    // A move that changes nothing in the window order is dropped before it
    // reaches the display; step out of the stay-on-top band and back in so
    // the display restacks the window too.
    constexpr UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (topmost_) SetWindowPos(Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    SetWindowPos(Handle(), topmost_ ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0, flags);
}

void TfrmSplash::Repaint() {
    // No message loop runs until the main window is up, so paint right now.
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void TfrmSplash::Close() {
    closed_ = true;
    KillTimer(Handle(), kRestackTimerId);
    ShowWindow(Handle(), SW_HIDE);
}

void TfrmSplash::EnableTimer() {
    if (timerEnabled_) return;
    if (!SetTimer(Handle(), kTimerId, static_cast<UINT>(timerInterval_), nullptr))
        throw Exception("The splash timer could not be started");
    timerEnabled_ = true;
}

void TfrmSplash::Timer1Timer(void* /*Sender*/) {
    // The first tick hides the splash for good, so the timer has no more work.
    KillTimer(Handle(), kTimerId);
    timerEnabled_ = false;
    Close();
}

void TfrmSplash::Paint(HDC dc) const {
    // Shape1: the fill, then the outline drawn inside the shape's bounds.
    RECT shape{Scale(shape_.left), Scale(shape_.top), Scale(shape_.right), Scale(shape_.bottom)};
    FillRect(dc, &shape, UniqueBrush(CreateSolidBrush(fillColour_)).get());
    const int pen = Scale(penWidth_);
    if (pen > 0) {
        const UniqueBrush outline(CreateSolidBrush(penColour_));
        const RECT edges[] = {
            {shape.left, shape.top, shape.right, shape.top + pen},
            {shape.left, shape.bottom - pen, shape.right, shape.bottom},
            {shape.left, shape.top, shape.left + pen, shape.bottom},
            {shape.right - pen, shape.top, shape.right, shape.bottom},
        };
        for (const RECT& edge : edges) FillRect(dc, &edge, outline.get());
    }

    // Image1: the picture at its natural size from the control's top-left
    // corner, clipped to the control; nothing stretched or centred.
    const UniqueMemoryDc source(CreateCompatibleDC(dc));
    if (!source) return;
    const SelectedObject picture(source.get(), picture_.get());
    BITMAP info{};
    GetObjectA(picture_.get(), sizeof info, &info);
    const int width = std::min<int>(info.bmWidth, image_.right - image_.left);
    const int height = std::min<int>(info.bmHeight, image_.bottom - image_.top);
    if (dpi_ == 96) {
        BitBlt(dc, image_.left, image_.top, width, height, source.get(), 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, Scale(image_.left), Scale(image_.top), Scale(width), Scale(height), source.get(), 0, 0, width,
                   height, SRCCOPY);
    }
}

LRESULT TfrmSplash::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_TIMER:
            if (wparam == kTimerId) {
                Timer1Timer(nullptr);
                return 0;
            }
            if (wparam == kRestackTimerId) {
                Restack();
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle(), &ps);
            if (dc) {
                Paint(dc);
                EndPaint(Handle(), &ps);
            }
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wparam));
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;  // a click on the splash does nothing
        case WM_CLOSE:
            Close();  // closing hides; the window is never destroyed before the end
            return 0;
        default:
            break;
    }
    return DefaultMessage(message, wparam, lparam);
}

}  // namespace corvanta
