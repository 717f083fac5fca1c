#pragma once
// TForm1, the program's one working window: a heading with the icon, three
// tab pages with a read-only grid each, and the maker's link line. Its layout
// is read from the program's resources when it is constructed.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/grid.h"
#include "common/exception.h"
#include "inventory/inventory_tables.h"
#include "processes/hotfix_scan.h"

namespace corvanta {

struct Layout;

class EWindowError : public Exception {
public:
    using Exception::Exception;
};

// The maker's web site, a host name without a scheme.
inline constexpr char kMakerWebAddress[] = "www.dravenholt.example";

}  // namespace corvanta

class TForm1 {
public:
    // Creates the window hidden, with all its controls, then runs FormCreate.
    // Throws corvanta::Exception when it cannot (e.g. no layout resource).
    explicit TForm1(HWND owner);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Runs FormShow, then centres and shows the window.
    void Show();
    HWND Handle() const { return hwnd_; }

    // The tables, field objects and data sources; the scans take these.
    corvanta::InventoryTables Tables;

    HWND PageControl1 = nullptr;
    HWND tsProcesses = nullptr;
    HWND TabSheet2 = nullptr;
    HWND tsProcess = nullptr;
    std::unique_ptr<corvanta::TGrid> cxGrid1;
    std::unique_ptr<corvanta::TGrid> cxGrid2;
    std::unique_ptr<corvanta::TGrid> cxGrid3;
    // The two labels are drawn by the window itself; these are their areas.
    RECT Image1{};
    RECT Label2{};
    RECT Label3{};
    std::string Label2Caption;
    std::string Label3Caption;

    // Event handlers.
    void FormCreate(void* Sender);
    void FormShow(void* Sender);
    void Button1Click(void* Sender);
    void PageControl1Change(void* Sender);
    void Label3Click(void* Sender);
    void RefreshProcesses();
    // Adds the installed updates WMI reports to the hot-fix page; on the
    // user's first turn to that page only.
    void RefreshHotFixes();

    // The page shown: 0 "Installed Software", 1 "Installed Hotfixes", 2 "Running Processes".
    int ActivePage() const;
    // How often each scan has run, for tests and diagnostics.
    int Button1ClickRuns = 0;
    int RefreshProcessesRuns = 0;
    int RefreshHotFixesRuns = 0;

private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK PageProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT Message(UINT, WPARAM, LPARAM);
    void Build(const corvanta::Layout& layout);
    void ShowPage(int index);
    void Paint(HDC dc);
    int Scale(int value) const { return MulDiv(value, dpi_, 96); }

    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    SIZE frame_size_{};
    HFONT font_ = nullptr;
    HFONT heading_font_ = nullptr;
    HICON icon_ = nullptr;
    COLORREF colour_ = RGB(255, 255, 255);
    HBRUSH background_ = nullptr;
    COLORREF heading_colour_ = 0;
    COLORREF link_colour_ = 0;
    bool link_pressed_ = false;
    std::vector<HWND> pages_;
    corvanta::InstalledUpdatesOnce installed_updates_;
};

extern TForm1* Form1;
