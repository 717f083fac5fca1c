#pragma once
// The one grid component: a report-style virtual ListView bound to a table
// through its data source. The ListView holds no rows of its own; it asks for
// each cell's text as it paints, so 100,000 rows cost no more than a screenful.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "app/grid_model.h"
#include "inventory/mem_table.h"

namespace corvanta {

struct GridColumnSpec {
    std::string caption;
    std::size_t field = 0;
    int width = 0;  // relative width in pixels at the current DPI; 0 for the bound default
};

struct GridOptions {
    bool border = true;
    bool header = true;
    bool filter = false;
    std::optional<std::size_t> sort_field;  // ascending at start
};

class TGrid : public DataLink {
public:
    // Creates the ListView over `rect` of `parent` and attaches to the data source.
    TGrid(HWND parent, const RECT& rect, DataSource& source, std::vector<GridColumnSpec> columns,
          const GridOptions& options, HFONT font, int dpi);
    ~TGrid() override;
    TGrid(const TGrid&) = delete;
    TGrid& operator=(const TGrid&) = delete;

    HWND Handle() const { return list_; }
    HWND Header() const { return header_; }
    GridModel& Model() { return model_; }
    const std::vector<GridColumnSpec>& Columns() const { return columns_; }
    bool FilterEnabled() const { return options_.filter; }

    // DataLink
    void RecordPosted(std::size_t row) override;
    void DataSetChanged() override;

    // Brings the ListView's row count and contents in line with the table now
    // (otherwise done once the message loop runs).
    void Sync();

    // What a click on column `column`'s header does: sort by it, or reverse.
    void ClickColumn(std::size_t column);
    // The filter drop-down of a column: its entries, and choosing one.
    std::vector<std::string> FilterChoices(std::size_t column) const;
    void ChooseFilter(std::size_t column, std::size_t choice);
    // The part of a header item that opens the filter drop-down, in header
    // client coordinates.
    RECT FilterButtonRect(std::size_t column) const;

    void SelectAll();
    void ClearSelection();
    // The selected rows as tab-separated lines, in display order, columns in
    // their current order; CopySelection also puts them on the clipboard.
    std::string SelectedText();
    void CopySelection();

    // Current column widths (by column index), and fitting them to the width.
    std::vector<int> ColumnWidths() const;
    void FitColumns();

    // WM_NOTIFY from the ListView, forwarded by the parent window.
    LRESULT OnNotify(NMHDR* header, bool& handled);
    // The grid that owns a ListView, for a parent forwarding WM_NOTIFY.
    static TGrid* FromHandle(HWND list);

private:
    static LRESULT CALLBACK ListProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK HeaderProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT ListMessage(HWND, UINT, WPARAM, LPARAM);
    LRESULT HeaderMessage(HWND, UINT, WPARAM, LPARAM);

    void ScheduleSync();
    void ShowSortArrows();
    void PaintFilterButtons(HDC dc);
    void ShowFilterMenu(std::size_t column);
    void UserResized(std::size_t column, int width);
    std::vector<int> DisplayOrder() const;
    std::vector<std::size_t> DisplayFields() const;
    int FindItem(const NMLVFINDITEMA& find, int start);

    DataSource& source_;
    GridModel model_;
    std::vector<GridColumnSpec> columns_;
    GridOptions options_;
    int dpi_;
    HWND list_ = nullptr;
    HWND header_ = nullptr;
    std::vector<int> relative_;
    bool fitting_ = false;
    bool sync_posted_ = false;
    bool refit_posted_ = false;
};

}  // namespace corvanta
