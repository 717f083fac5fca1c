#pragma once
// TForm1, the program's one working window: a heading with the icon, three
// tab pages with a read-only grid each, and the maker's link line. Its layout
// is read from the program's resources when it is constructed.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/gdi_handles.h"
#include "app/grid.h"
#include "app/link_label.h"
#include "app/window_base.h"
#include "common/exception.h"
#include "inventory/inventory_tables.h"
#include "processes/hotfix_scan.h"

namespace corvanta {

struct Layout;
struct LayoutItem;
class TabSheet;

class EWindowError : public Exception {
public:
    using Exception::Exception;
};

// The maker's web site, a host name without a scheme.
inline constexpr char kMakerWebAddress[] = "www.dravenholt.example";

}  // namespace corvanta

class TForm1 : public corvanta::WindowBase {
public:
    // Creates the window hidden, with all its controls, then runs FormCreate.
    // Throws corvanta::Exception when it cannot (e.g. no layout resource).
    explicit TForm1(HWND owner);
    ~TForm1() override;

    // Runs FormShow, then centres and shows the window.
    void Show();

    // The tables, field objects and data sources; the scans take these.
    corvanta::InventoryTables Tables;

    HWND PageControl1 = nullptr;
    HWND tsProcesses = nullptr;
    HWND TabSheet2 = nullptr;
    HWND tsProcess = nullptr;
    std::unique_ptr<corvanta::TGrid> cxGrid1;
    std::unique_ptr<corvanta::TGrid> cxGrid2;
    std::unique_ptr<corvanta::TGrid> cxGrid3;
    // The icon's area; the window draws it. The heading and the link line
    // are windowless controls on the window.
    RECT Image1{};
    corvanta::Label Label2;
    corvanta::LinkLabel Label3;

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
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    // The window itself, sized to the layout's client area.
    void CreateFrame(const corvanta::LayoutItem& form, HWND owner);
    // The steps of building the controls from the layout.
    void Build(const corvanta::Layout& layout);
    void BuildHeading(const corvanta::Layout& layout);
    void BuildPages(const corvanta::Layout& layout);
    std::unique_ptr<corvanta::TGrid> BuildGrid(const corvanta::Layout& layout, const char* name);
    void BuildLink(const corvanta::Layout& layout);
    void ShowPage(int index);
    void Paint(HDC dc);
    int Scale(int value) const;

    int dpi_ = 96;
    SIZE frame_size_{};
    corvanta::UniqueFont font_;
    corvanta::UniqueFont heading_font_;
    corvanta::UniqueIcon icon_;
    corvanta::UniqueBrush background_;
    // Page names in layout order, beside their windows.
    std::vector<std::string> page_names_;
    std::vector<std::unique_ptr<corvanta::TabSheet>> pages_;
    corvanta::InstalledUpdatesOnce installed_updates_;
    // Last: the window and its controls go while the grids, pages and fonts
    // they use are still there.
    DestroyedFirst destroyed_first_{*this};
};

extern TForm1* Form1;
