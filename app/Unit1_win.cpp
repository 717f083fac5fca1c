#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include "app/Unit1.h"
#include "app/error_box.h"
#include "app/layout.h"
#include "app/shell_helpers.h"
#include "resources/resource_ids.h"
#include "processes/hotfix_scan.h"
#include "processes/process_image.h"
#include "processes/process_scan.h"
#include "software/registry_api.h"
#include "software/uninstall_scan.h"

using namespace corvanta;

TForm1* Form1 = nullptr;

namespace {

const char kFormClass[] = "TForm1";
const char kPageClass[] = "TTabSheet";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// A dialog frame: no icon in the title bar, no sizing border. The taskbar
// button belongs to the owner (the application window) when there is one.
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

void RegisterWindowClasses(WNDPROC form_proc, WNDPROC page_proc) {
    static bool registered = false;
    if (registered) return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXA form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = form_proc;
    form.hInstance = GetModuleHandleA(nullptr);
    form.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    form.lpszClassName = kFormClass;
    WNDCLASSEXA page = form;
    page.lpfnWndProc = page_proc;
    page.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    page.lpszClassName = kPageClass;
    if (!RegisterClassExA(&form) || !RegisterClassExA(&page)) throw EWindowError("Cannot register the main window");
    registered = true;
}

std::string LoadLayoutText() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_LAYOUT_MAIN), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(module, found) : 0;
    if (!data) throw EWindowError("Cannot load the main window layout");
    return std::string(static_cast<const char*>(data), size);
}

HFONT MakeFont(const std::string& face, int pixels, bool bold) {
    HFONT font = CreateFontA(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             face.c_str());
    if (!font) throw EWindowError("Cannot create the font " + face);
    return font;
}

// The tab strip shows the window's own background behind the tabs, as a
// themed page control on Windows does, instead of the button-face grey.
LRESULT CALLBACK PageControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data) {
    if (message == WM_ERASEBKGND) {
        RECT client{};
        GetClientRect(hwnd, &client);
        FillRect(reinterpret_cast<HDC>(wparam), &client, reinterpret_cast<HBRUSH>(data));
        return 1;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, PageControlProc, 1);
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

SIZE TextSize(HFONT font, const std::string& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size;
}

}  // namespace

TForm1::TForm1(HWND owner) {
    RegisterWindowClasses(WndProc, PageProc);
    const std::string layout_text = LoadLayoutText();
    {
        HDC screen = GetDC(nullptr);
        dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        if (dpi_ <= 0) dpi_ = 96;
    }
    try {
        const Layout layout = ParseLayout(layout_text);
        const LayoutItem& form = layout.Find("Form1");
        if (form.kind != "form") form.Fail("not a form");
        const std::vector<int> client = form.Ints("client", 2);
        colour_ = form.Color("color");
        background_ = CreateSolidBrush(colour_);
        font_ = MakeFont(form.Text("font"), Scale(form.Int("size")), false);
        RECT frame{0, 0, Scale(client[0]), Scale(client[1])};
        const DWORD ex_style = kFormExStyle | (owner ? 0 : WS_EX_APPWINDOW);
        AdjustWindowRectEx(&frame, kFormStyle, FALSE, ex_style);
        frame_size_ = SIZE{frame.right - frame.left, frame.bottom - frame.top};
        hwnd_ = CreateWindowExA(ex_style, kFormClass, form.Text("caption").c_str(), kFormStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                                GetModuleHandleA(nullptr), this);
        if (!hwnd_) throw EWindowError("Cannot create the main window");
        // WM_GETMINMAXINFO comes before the window knows its object, so a
        // window larger than the screen was cut down at creation: size again.
        SetWindowPos(hwnd_, nullptr, 0, 0, frame_size_.cx, frame_size_.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        Build(layout);
        FormCreate(nullptr);
    } catch (...) {
        cxGrid1.reset();
        cxGrid2.reset();
        cxGrid3.reset();
        if (hwnd_) DestroyWindow(hwnd_);
        for (HGDIOBJ object : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(heading_font_),
                               static_cast<HGDIOBJ>(background_)})
            if (object) DeleteObject(object);
        if (icon_) DestroyIcon(icon_);
        throw;
    }
}

TForm1::~TForm1() {
    cxGrid1.reset();
    cxGrid2.reset();
    cxGrid3.reset();
    if (hwnd_) DestroyWindow(hwnd_);
    if (font_) DeleteObject(font_);
    if (heading_font_) DeleteObject(heading_font_);
    if (background_) DeleteObject(background_);
    if (icon_) DestroyIcon(icon_);
    if (Form1 == this) Form1 = nullptr;
}

void TForm1::Build(const Layout& layout) {
    HINSTANCE instance = GetModuleHandleA(nullptr);

    const LayoutItem& image = layout.Find("Image1");
    {
        const std::vector<int> r = image.Ints("rect", 4);
        Image1 = RECT{Scale(r[0]), Scale(r[1]), Scale(r[0] + r[2]), Scale(r[1] + r[3])};
        // The 32-pixel icon at its natural size (scaled with the DPI), from
        // the top-left corner. A build without the icon shows none.
        icon_ = static_cast<HICON>(
            LoadImageA(instance, MAKEINTRESOURCEA(IDI_CORVANTA), IMAGE_ICON, Scale(32), Scale(32), LR_DEFAULTCOLOR));
    }

    const LayoutItem& heading = layout.Find("Label2");
    {
        const std::vector<int> at = heading.Ints("pos", 2);
        Label2Caption = heading.Text("text");
        heading_font_ = MakeFont(heading.Text("font"), Scale(heading.Int("size")), heading.Flag("bold", false));
        heading_colour_ = heading.Color("color");
        const SIZE size = TextSize(heading_font_, Label2Caption);
        Label2 = RECT{Scale(at[0]), Scale(at[1]), Scale(at[0]) + size.cx, Scale(at[1]) + size.cy};
    }

    const LayoutItem& link = layout.Find("Label3");
    {
        const std::vector<int> at = link.Ints("pos", 2);
        Label3Caption = link.Text("text");
        link_colour_ = link.Color("color");
        const SIZE size = TextSize(font_, Label3Caption);
        Label3 = RECT{Scale(at[0]), Scale(at[1]), Scale(at[0]) + size.cx, Scale(at[1]) + size.cy};
    }

    const LayoutItem& tabs = layout.Find("PageControl1");
    const std::vector<int> r = tabs.Ints("rect", 4);
    PageControl1 = CreateWindowExA(0, WC_TABCONTROLA, "",
                                   WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, Scale(r[0]),
                                   Scale(r[1]), Scale(r[2]), Scale(r[3]), hwnd_, nullptr, instance, nullptr);
    if (!PageControl1) throw EWindowError("Cannot create the page control");
    SendMessageA(PageControl1, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SetWindowSubclass(PageControl1, PageControlProc, 1, reinterpret_cast<DWORD_PTR>(background_));

    const std::vector<const LayoutItem*> pages = layout.Children("page", "PageControl1");
    if (pages.size() != 3) tabs.Fail("expected three pages");
    for (std::size_t i = 0; i < pages.size(); ++i) {
        std::string caption = pages[i]->Text("text");
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        SendMessageA(PageControl1, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    RECT display{};
    GetClientRect(PageControl1, &display);
    SendMessageA(PageControl1, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    for (const LayoutItem* page : pages) {
        HWND hwnd = CreateWindowExA(0, kPageClass, page->Text("text").c_str(), WS_CHILD | WS_CLIPCHILDREN,
                                    display.left, display.top, display.right - display.left,
                                    display.bottom - display.top, PageControl1, nullptr, instance, this);
        if (!hwnd) throw EWindowError("Cannot create a page");
        pages_.push_back(hwnd);
    }
    if (pages[0]->name != "tsProcesses" || pages[1]->name != "TabSheet2" || pages[2]->name != "tsProcess")
        tabs.Fail("pages out of order");
    tsProcesses = pages_[0];
    TabSheet2 = pages_[1];
    tsProcess = pages_[2];

    struct Binding {
        const char* name;
        std::unique_ptr<TGrid>& grid;
    };
    Binding bindings[] = {{"cxGrid1", cxGrid1}, {"cxGrid2", cxGrid2}, {"cxGrid3", cxGrid3}};
    for (Binding& binding : bindings) {
        const LayoutItem& item = layout.Find(binding.name);
        const std::string& source_name = item.Text("source");
        DataSource* source = source_name == "DataSource1" ? &Tables.DataSource1
                             : source_name == "dsHotFix"  ? &Tables.dsHotFix
                             : source_name == "dsProcesses" ? &Tables.dsProcesses
                                                            : nullptr;
        if (!source) item.Fail("unknown data source " + source_name);
        HWND parent = nullptr;
        for (std::size_t i = 0; i < pages.size(); ++i)
            if (pages[i]->name == item.Text("parent")) parent = pages_[i];
        if (!parent) item.Fail("unknown page " + item.Text("parent"));
        GridOptions options;
        options.border = item.Flag("border", true);
        options.header = item.Flag("header", true);
        options.filter = item.Flag("filter", false);
        std::vector<GridColumnSpec> columns;
        for (const LayoutItem* column : layout.Children("column", binding.name)) {
            const auto field = source->DataSet().FindColumn(column->Text("field"));
            if (!field) column->Fail("unknown field " + column->Text("field"));
            const int width = column->Int("width", 0);
            if (width < 0) column->Fail("negative width");
            columns.push_back(GridColumnSpec{column->Text("field"), *field, Scale(width)});
            if (column->Flag("sort", false)) options.sort_field = *field;
        }
        if (columns.empty()) item.Fail("no columns");
        RECT page_rect{};
        GetClientRect(parent, &page_rect);
        binding.grid = std::make_unique<TGrid>(parent, page_rect, *source, std::move(columns), options, font_, dpi_);
    }
    ShowPage(0);
}

void TForm1::ShowPage(int index) {
    SendMessageA(PageControl1, TCM_SETCURSEL, index, 0);
    for (std::size_t i = 0; i < pages_.size(); ++i)
        ShowWindow(pages_[i], static_cast<int>(i) == index ? SW_SHOW : SW_HIDE);
}

int TForm1::ActivePage() const { return static_cast<int>(SendMessageA(PageControl1, TCM_GETCURSEL, 0, 0)); }

void TForm1::Show() {
    try {
        FormShow(nullptr);
    } catch (...) {
        ShowHandledException();
    }
    for (TGrid* grid : {cxGrid1.get(), cxGrid2.get(), cxGrid3.get()}) grid->Sync();
    // Centred on the screen's work area.
    RECT frame{};
    GetWindowRect(hwnd_, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    SetFocus(cxGrid1->Handle());
}

void TForm1::FormCreate(void* /*Sender*/) { Tables.kbmMemTable1.Open(); }

void TForm1::FormShow(void* /*Sender*/) { Button1Click(nullptr); }

void TForm1::Button1Click(void* /*Sender*/) {
    ++Button1ClickRuns;
    const std::unique_ptr<RegistryApi> registry = CreateSystemRegistryApi();
    ScanUninstallKey(Tables, *registry);
}

void TForm1::PageControl1Change(void* /*Sender*/) {
    switch (ActivePage()) {
        case 1:
            RefreshHotFixes();
            break;
        case 2:
            RefreshProcesses();
            break;
    }
}

void TForm1::RefreshProcesses() {
    ++RefreshProcessesRuns;
    corvanta::RefreshProcesses(Tables, *corvanta::CreateSystemWmiAccess(), corvanta::ScreenCursorService(),
                               corvanta::SystemVersionLibrary(), corvanta::SystemProcessImage());
}

void TForm1::RefreshHotFixes() {
    if (installed_updates_.HasRun()) return;
    ++RefreshHotFixesRuns;
    installed_updates_.Run(Tables, *corvanta::CreateSystemWmiAccess(), corvanta::ScreenCursorService());
}

void TForm1::Label3Click(void* /*Sender*/) { OpenWebAddress(kMakerWebAddress, false); }

void TForm1::Paint(HDC dc) {
    if (icon_) DrawIconEx(dc, Image1.left, Image1.top, icon_, Scale(32), Scale(32), 0, nullptr, DI_NORMAL);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, heading_font_);
    SetTextColor(dc, heading_colour_);
    TextOutA(dc, Label2.left, Label2.top, Label2Caption.c_str(), static_cast<int>(Label2Caption.size()));
    SelectObject(dc, font_);
    SetTextColor(dc, link_colour_);
    TextOutA(dc, Label3.left, Label3.top, Label3Caption.c_str(), static_cast<int>(Label3Caption.size()));
    SelectObject(dc, old);
}

LRESULT CALLBACK TForm1::WndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcA(hwnd, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        form->hwnd_ = nullptr;
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
    // No exception may cross the system's frames back into the message loop.
    try {
        return form->Message(message, wparam, lparam);
    } catch (...) {
        ShowHandledException();
        return 0;
    }
}

LRESULT CALLBACK TForm1::PageProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    // A page forwards its grid's notifications to the grid itself.
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lparam);
        if (TGrid* grid = TGrid::FromHandle(header->hwndFrom)) {
            try {
                bool handled = false;
                const LRESULT result = grid->OnNotify(header, handled);
                if (handled) return result;
            } catch (...) {
                ShowHandledException();
                return 0;
            }
        }
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT TForm1::Message(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_GETMINMAXINFO: {
            // The designed size, exactly: the system would otherwise cut a
            // window larger than the screen down to the screen.
            auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
            if (frame_size_.cx > 0) {
                info->ptMinTrackSize = info->ptMaxTrackSize = POINT{frame_size_.cx, frame_size_.cy};
                info->ptMaxSize = info->ptMaxTrackSize;
            }
            return 0;
        }
        case WM_ERASEBKGND: {
            RECT client{};
            GetClientRect(hwnd_, &client);
            FillRect(reinterpret_cast<HDC>(wparam), &client, background_);
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            Paint(dc);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lparam);
            if (header->hwndFrom == PageControl1 && header->code == TCN_SELCHANGE) {
                // Only the user's own page changes arrive here: a change
                // made from code sends no TCN_SELCHANGE, nor does a click on
                // the page already active.
                ShowPage(ActivePage());
                try {
                    PageControl1Change(nullptr);
                } catch (...) {
                    ShowHandledException();
                }
                return 0;
            }
            break;
        }
        case WM_KEYDOWN:
            // Ctrl+Tab and Ctrl+Shift+Tab from a grid turn the page, as the user.
            if (wparam == VK_TAB && GetKeyState(VK_CONTROL) < 0) {
                const int count = static_cast<int>(pages_.size());
                const int step = GetKeyState(VK_SHIFT) < 0 ? count - 1 : 1;
                SendMessageA(PageControl1, TCM_SETCURFOCUS, (ActivePage() + step) % count, 0);
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wparam) == hwnd_ && LOWORD(lparam) == HTCLIENT) {
                POINT at{};
                GetCursorPos(&at);
                ScreenToClient(hwnd_, &at);
                if (PtInRect(&Label3, at)) {
                    SetCursor(LoadCursorA(nullptr, IDC_HAND));
                    return TRUE;
                }
            }
            break;
        case WM_LBUTTONDOWN: {
            const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
            if (PtInRect(&Label3, at)) {
                link_pressed_ = true;
                SetCapture(hwnd_);
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            if (!link_pressed_) return 0;
            link_pressed_ = false;
            ReleaseCapture();
            const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
            if (PtInRect(&Label3, at)) {
                try {
                    Label3Click(nullptr);
                } catch (...) {
                    ShowHandledException();
                }
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            link_pressed_ = false;
            break;
        case WM_CLOSE:
            // Closing the main window ends the program.
            DestroyWindow(hwnd_);
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(hwnd_, message, wparam, lparam);
}
