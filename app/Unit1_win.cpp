#include <windows.h>
#include <commctrl.h>

#include "app/Unit1.h"
#include "app/error_box.h"
#include "app/layout.h"
#include "app/shell_helpers.h"
#include "app/win32_util.h"
#include "resources/resource_ids.h"
#include "processes/hotfix_scan.h"
#include "processes/process_image.h"
#include "processes/process_scan.h"
#include "software/registry_api.h"
#include "software/uninstall_scan.h"

using namespace corvanta;

TForm1* Form1 = nullptr;

namespace corvanta {

// One page of the page control. It passes its grid's notifications back to
// the grid, which handles its own.
class TabSheet : public WindowBase {
public:
    TabSheet(HWND page_control, const RECT& area, const std::string& caption) {
        WindowClass window_class;
        window_class.name = "TTabSheet";
        window_class.background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        WindowPlacement placement;
        placement.style = WS_CHILD | WS_CLIPCHILDREN;
        placement.title = caption.c_str();
        placement.x = area.left;
        placement.y = area.top;
        placement.width = area.right - area.left;
        placement.height = area.bottom - area.top;
        placement.parent = page_control;
        Create(window_class, placement, "a page");
    }

private:
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
        if (message == WM_NOTIFY) {
            auto* header = reinterpret_cast<NMHDR*>(lparam);
            if (TGrid* grid = TGrid::FromHandle(header->hwndFrom)) {
                bool handled = false;
                const LRESULT result = grid->OnNotify(header, handled);
                if (handled) return result;
            }
        }
        return DefaultMessage(message, wparam, lparam);
    }
};

}  // namespace corvanta

namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// A dialog frame: no icon in the title bar, no sizing border. The taskbar
// button belongs to the owner (the application window) when there is one.
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

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

// A rectangle given as left, top, width, height in 96-DPI pixels.
RECT ScaledRect(const std::vector<int>& r, int dpi) {
    return RECT{Scale(r[0], dpi), Scale(r[1], dpi), Scale(r[0] + r[2], dpi), Scale(r[1] + r[3], dpi)};
}

}  // namespace

TForm1::TForm1(HWND owner) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    const Layout layout = ParseLayout(LoadRcData(IDR_LAYOUT_MAIN, "Cannot load the main window layout"));
    dpi_ = SystemDpi();
    // Whatever fails from here on, the owners free what was made so far,
    // the window first.
    CreateFrame(layout.Find("Form1"), owner);
    Build(layout);
    FormCreate(nullptr);
}

TForm1::~TForm1() {
    if (Form1 == this) Form1 = nullptr;
}

int TForm1::Scale(int value) const { return corvanta::Scale(value, dpi_); }

void TForm1::CreateFrame(const LayoutItem& form, HWND owner) {
    if (form.kind != "form") form.Fail("not a form");
    const std::vector<int> client = form.Ints("client", 2);
    background_.reset(CreateSolidBrush(form.Color("color")));
    font_ = MakeFont(form.Text("font"), Scale(form.Int("size")), false);
    RECT frame{0, 0, Scale(client[0]), Scale(client[1])};
    const DWORD ex_style = kFormExStyle | (owner ? 0 : WS_EX_APPWINDOW);
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, ex_style);
    frame_size_ = SIZE{frame.right - frame.left, frame.bottom - frame.top};
    WindowClass window_class;
    window_class.name = "TForm1";
    WindowPlacement placement;
    placement.ex_style = ex_style;
    placement.style = kFormStyle;
    placement.title = form.Text("caption").c_str();
    placement.x = placement.y = CW_USEDEFAULT;
    placement.width = frame_size_.cx;
    placement.height = frame_size_.cy;
    placement.parent = owner;
    Create(window_class, placement, "the main window");
    // WM_GETMINMAXINFO comes before the window knows its object, so a
    // window larger than the screen was cut down at creation: size again.
    SetWindowPos(Handle(), nullptr, 0, 0, frame_size_.cx, frame_size_.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm1::Build(const Layout& layout) {
    BuildHeading(layout);
    BuildPages(layout);
    cxGrid1 = BuildGrid(layout, "cxGrid1");
    cxGrid2 = BuildGrid(layout, "cxGrid2");
    cxGrid3 = BuildGrid(layout, "cxGrid3");
    BuildLink(layout);
    layout.RejectUnreadKeys();
    ShowPage(0);
}

void TForm1::BuildHeading(const Layout& layout) {
    // The 32-pixel icon at its natural size (scaled with the DPI), from the
    // top-left corner. A build without the icon shows none.
    Image1 = ScaledRect(layout.Find("Image1").Ints("rect", 4), dpi_);
    icon_ = LoadIconResource(IDI_CORVANTA, Scale(32), Scale(32));

    const LayoutItem& heading = layout.Find("Label2");
    const std::vector<int> at = heading.Ints("pos", 2);
    heading_font_ = MakeFont(heading.Text("font"), Scale(heading.Int("size")), heading.Flag("bold", false));
    Label2.Place(POINT{Scale(at[0]), Scale(at[1])}, heading.Text("text"), heading_font_.get(), heading.Color("color"));
}

void TForm1::BuildPages(const Layout& layout) {
    const LayoutItem& tabs = layout.Find("PageControl1");
    const std::vector<int> r = tabs.Ints("rect", 4);
    PageControl1 = CreateWindowExA(
        0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, Scale(r[0]),
        Scale(r[1]), Scale(r[2]), Scale(r[3]), Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!PageControl1) throw EWindowError("Cannot create the page control");
    SendMessageA(PageControl1, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    SetWindowSubclass(PageControl1, PageControlProc, 1, reinterpret_cast<DWORD_PTR>(background_.get()));

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
        pages_.push_back(std::make_unique<TabSheet>(PageControl1, display, page->Text("text")));
        page_names_.push_back(page->name);
    }
    if (page_names_ != std::vector<std::string>{"tsProcesses", "TabSheet2", "tsProcess"})
        tabs.Fail("pages out of order");
    tsProcesses = pages_[0]->Handle();
    TabSheet2 = pages_[1]->Handle();
    tsProcess = pages_[2]->Handle();
}

std::unique_ptr<TGrid> TForm1::BuildGrid(const Layout& layout, const char* name) {
    const LayoutItem& item = layout.Find(name);
    DataSource* source = Tables.FindDataSource(item.Text("source"));
    if (!source) item.Fail("unknown data source " + item.Text("source"));
    HWND parent = nullptr;
    for (std::size_t i = 0; i < page_names_.size(); ++i)
        if (page_names_[i] == item.Text("parent")) parent = pages_[i]->Handle();
    if (!parent) item.Fail("unknown page " + item.Text("parent"));
    GridOptions options;
    options.border = item.Flag("border", true);
    options.header = item.Flag("header", true);
    options.filter = item.Flag("filter", false);
    std::vector<GridColumnSpec> columns;
    for (const LayoutItem* column : layout.Children("column", name)) {
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
    return std::make_unique<TGrid>(parent, page_rect, *source, std::move(columns), options, font_.get(), dpi_);
}

void TForm1::BuildLink(const Layout& layout) {
    const LayoutItem& link = layout.Find("Label3");
    const std::vector<int> at = link.Ints("pos", 2);
    Label3.Place(POINT{Scale(at[0]), Scale(at[1])}, link.Text("text"), font_.get(), link.Color("color"));
    Label3.OnClick([this] { Label3Click(nullptr); });
}

void TForm1::ShowPage(int index) {
    SendMessageA(PageControl1, TCM_SETCURSEL, index, 0);
    for (std::size_t i = 0; i < pages_.size(); ++i)
        ShowWindow(pages_[i]->Handle(), static_cast<int>(i) == index ? SW_SHOW : SW_HIDE);
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
    GetWindowRect(Handle(), &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(Handle(), SW_SHOW);
    UpdateWindow(Handle());
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
    if (icon_) DrawIconEx(dc, Image1.left, Image1.top, icon_.get(), Scale(32), Scale(32), 0, nullptr, DI_NORMAL);
    Label2.Paint(dc);
    Label3.Paint(dc);
}

LRESULT TForm1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    if (Label3.OnMessage(Handle(), message, wparam, lparam, result)) return result;
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
            GetClientRect(Handle(), &client);
            FillRect(reinterpret_cast<HDC>(wparam), &client, background_.get());
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle(), &ps);
            Paint(dc);
            EndPaint(Handle(), &ps);
            return 0;
        }
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lparam);
            if (header->hwndFrom == PageControl1 && header->code == TCN_SELCHANGE) {
                // Only the user's own page changes arrive here: a change
                // made from code sends no TCN_SELCHANGE, nor does a click on
                // the page already active.
                ShowPage(ActivePage());
                PageControl1Change(nullptr);
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
        case WM_CLOSE:
            // Closing the main window ends the program.
            Destroy();
            PostQuitMessage(0);
            return 0;
    }
    return DefaultMessage(message, wparam, lparam);
}
