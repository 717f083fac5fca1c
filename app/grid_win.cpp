#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "app/error_box.h"
#include "app/gdi_handles.h"
#include "app/grid.h"
#include "app/win32_util.h"
#include "common/exception.h"
#include "common/scope_guard.h"

namespace corvanta {
namespace {

constexpr UINT kSyncMessage = WM_APP + 1;
constexpr UINT kRefitMessage = WM_APP + 2;
constexpr UINT_PTR kSubclassId = 0x43475244;  // 'CGRD'
const char kGridProperty[] = "Corvanta.Grid";

// Filter menu command identifiers: the three fixed entries, then the values.
constexpr UINT kMenuAll = 1;
constexpr UINT kMenuFirst = kMenuAll;
constexpr std::size_t kMenuFixedEntries = 3;
// A menu of more values than this is no use to anyone and slow to build.
constexpr std::size_t kMaxMenuValues = 1000;

}  // namespace

TGrid::TGrid(HWND parent, const RECT& rect, DataSource& source, std::vector<GridColumnSpec> columns,
             const GridOptions& options, HFONT font, int dpi)
    : source_(source), model_(source.DataSet()), columns_(std::move(columns)), options_(options), dpi_(dpi) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS;
    if (!options_.header) style |= LVS_NOCOLUMNHEADER;
    list_ = CreateWindowExA(options_.border ? WS_EX_CLIENTEDGE : 0, WC_LISTVIEWA, "", style, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, GetModuleHandleA(nullptr),
                            nullptr);
    if (!list_) throw Exception("Cannot create a grid");
    SetPropA(list_, kGridProperty, this);
    SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    DWORD ex = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    if (options_.header) ex |= LVS_EX_HEADERDRAGDROP;
    SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    header_ = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));

    // The bound default width needs the width of "0" in the grid's font.
    const int zero_width = TextExtent(font, "0").cx;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        GridColumnSpec& column = columns_[i];
        if (column.width <= 0)
            column.width = DefaultColumnWidth(zero_width, source.DataSet().Column(column.field).width);
        relative_.push_back(column.width);
        LVCOLUMNA lvc{};
        lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        lvc.fmt = LVCFMT_LEFT;
        lvc.cx = column.width;
        lvc.pszText = const_cast<char*>(column.caption.c_str());
        SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&lvc));
    }
    SetWindowSubclass(list_, ListProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    if (header_) SetWindowSubclass(header_, HeaderProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));

    model_.SetSort(options_.sort_field, false);
    model_.Reload();
    source_.SetLink(this);
    FitColumns();
    ShowSortArrows();
    Sync();
}

TGrid::~TGrid() {
    if (source_.Link() == this) source_.SetLink(nullptr);
    if (header_ && IsWindow(header_)) RemoveWindowSubclass(header_, HeaderProc, kSubclassId);
    if (list_ && IsWindow(list_)) {
        RemoveWindowSubclass(list_, ListProc, kSubclassId);
        RemovePropA(list_, kGridProperty);
        DestroyWindow(list_);
    }
}

TGrid* TGrid::FromHandle(HWND list) { return static_cast<TGrid*>(GetPropA(list, kGridProperty)); }

void TGrid::RecordPosted(std::size_t row) {
    model_.RowPosted(row);
    ScheduleSync();
}

void TGrid::DataSetChanged() {
    model_.Reload();
    Sync();
}

void TGrid::ScheduleSync() {
    // One repaint per turn of the message loop however many rows were
    // posted meanwhile; while a scan holds the thread that is one at its end.
    if (sync_posted_ || !list_) return;
    sync_posted_ = PostMessageA(list_, kSyncMessage, 0, 0) != FALSE;
    if (!sync_posted_) Sync();
}

void TGrid::Sync() {
    if (!list_) return;
    const std::size_t count = model_.Count();
    SendMessageA(list_, LVM_SETITEMCOUNT, count, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    InvalidateRect(list_, nullptr, FALSE);
}

std::vector<int> TGrid::DisplayOrder() const {
    std::vector<int> order(columns_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    if (options_.header)
        SendMessageA(list_, LVM_GETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
    return order;
}

std::vector<std::size_t> TGrid::DisplayFields() const {
    std::vector<std::size_t> fields;
    for (int column : DisplayOrder())
        if (column >= 0 && static_cast<std::size_t>(column) < columns_.size()) fields.push_back(columns_[column].field);
    return fields;
}

std::vector<int> TGrid::ColumnWidths() const {
    std::vector<int> widths;
    for (std::size_t i = 0; i < columns_.size(); ++i)
        widths.push_back(static_cast<int>(SendMessageA(list_, LVM_GETCOLUMNWIDTH, i, 0)));
    return widths;
}

void TGrid::FitColumns() {
    RECT client{};
    GetClientRect(list_, &client);
    const std::vector<int> order = DisplayOrder();
    std::vector<int> relative;
    for (int column : order) relative.push_back(relative_[column]);
    const std::vector<int> widths = FitWidths(relative, client.right - client.left);
    fitting_ = true;
    ScopeGuard done([this] { fitting_ = false; });
    for (std::size_t k = 0; k < order.size(); ++k)
        if (SendMessageA(list_, LVM_GETCOLUMNWIDTH, order[k], 0) != widths[k])
            SendMessageA(list_, LVM_SETCOLUMNWIDTH, order[k], MAKELPARAM(widths[k], 0));
}

void TGrid::UserResized(std::size_t column, int width) {
    RECT client{};
    GetClientRect(list_, &client);
    const std::vector<int> order = DisplayOrder();
    std::vector<int> now = ColumnWidths();
    if (column >= now.size()) return;
    now[column] = width;
    std::vector<int> in_order;
    std::size_t position = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        in_order.push_back(now[order[k]]);
        if (static_cast<std::size_t>(order[k]) == column) position = k;
    }
    // The new proportions are taken now, so a resize of the list before the
    // refit (a scroll bar coming or going) already keeps the user's choice.
    const std::vector<int> widths = FitAfterResize(in_order, position, client.right - client.left, Scale(8, dpi_));
    for (std::size_t k = 0; k < order.size(); ++k) relative_[order[k]] = std::max(widths[k], 1);
    if (!refit_posted_) refit_posted_ = PostMessageA(list_, kRefitMessage, 0, 0) != FALSE;
}

void TGrid::ShowSortArrows() {
    if (!header_) return;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        SendMessageA(header_, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (model_.SortField() && columns_[i].field == *model_.SortField())
            item.fmt |= model_.SortDescending() ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageA(header_, HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
}

void TGrid::ClickColumn(std::size_t column) {
    if (column >= columns_.size()) return;
    const std::size_t field = columns_[column].field;
    const bool descending = model_.SortField() == field ? !model_.SortDescending() : false;
    model_.SetSort(field, descending);
    ShowSortArrows();
    ClearSelection();
    Sync();
}

std::vector<std::string> TGrid::FilterChoices(std::size_t column) const {
    std::vector<std::string> choices{"(All)", "(Blanks)", "(Non blanks)"};
    std::vector<std::string> values = DistinctValues(model_.Table(), columns_.at(column).field);
    if (values.size() > kMaxMenuValues) values.resize(kMaxMenuValues);
    choices.insert(choices.end(), values.begin(), values.end());
    return choices;
}

void TGrid::ChooseFilter(std::size_t column, std::size_t choice) {
    const std::size_t field = columns_.at(column).field;
    ColumnFilter filter;
    if (choice == 1) {
        filter.kind = FilterKind::Blanks;
    } else if (choice == 2) {
        filter.kind = FilterKind::NonBlanks;
    } else if (choice >= kMenuFixedEntries) {
        const std::vector<std::string> choices = FilterChoices(column);
        if (choice >= choices.size()) return;
        filter.kind = FilterKind::Value;
        filter.value = choices[choice];
    }
    model_.SetFilter(field, std::move(filter));
    ClearSelection();
    Sync();
    if (header_) InvalidateRect(header_, nullptr, TRUE);
}

RECT TGrid::FilterButtonRect(std::size_t column) const {
    RECT item{};
    SendMessageA(header_, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&item));
    // Clear of the divider at the item's right edge, which resizes.
    RECT button = item;
    button.right = std::max(item.left, item.right - Scale(4, dpi_));
    button.left = std::max(item.left, button.right - Scale(14, dpi_));
    return button;
}

void TGrid::PaintFilterButtons(HDC dc) {
    // Drawn over the header items ourselves: Wine's header control ignores
    // the split-button style, and this looks the same on both.
    const int half = Scale(4, dpi_);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const RECT button = FilterButtonRect(i);
        if (button.right - button.left < half * 2) continue;
        const bool active = model_.Filter(columns_[i].field).Active();
        const int cx = (button.left + button.right) / 2;
        const int cy = (button.top + button.bottom) / 2 + Scale(1, dpi_);
        POINT arrow[3] = {{cx - half, cy - half / 2}, {cx + half, cy - half / 2}, {cx, cy + half / 2 + 1}};
        const COLORREF colour = active ? RGB(0, 102, 204) : RGB(96, 96, 96);
        const UniqueBrush brush(CreateSolidBrush(colour));
        const UniquePen pen(CreatePen(PS_SOLID, 1, colour));
        const SelectedObject brush_in(dc, brush.get());
        const SelectedObject pen_in(dc, pen.get());
        Polygon(dc, arrow, 3);
        if (active) {
            // An underline marks a column whose rows are filtered.
            RECT bar{cx - half, cy + half / 2 + Scale(3, dpi_), cx + half + 1,
                     cy + half / 2 + Scale(3, dpi_) + Scale(2, dpi_)};
            FillRect(dc, &bar, brush.get());
        }
    }
}

void TGrid::ShowFilterMenu(std::size_t column) {
    const std::vector<std::string> choices = FilterChoices(column);
    const UniqueMenu owned_menu(CreatePopupMenu());
    if (!owned_menu) return;
    HMENU menu = owned_menu.get();
    const ColumnFilter& current = model_.Filter(columns_[column].field);
    for (std::size_t i = 0; i < choices.size(); ++i) {
        bool checked = false;
        switch (current.kind) {
            case FilterKind::All:
                checked = i == 0;
                break;
            case FilterKind::Blanks:
                checked = i == 1;
                break;
            case FilterKind::NonBlanks:
                checked = i == 2;
                break;
            case FilterKind::Value:
                checked = i >= kMenuFixedEntries && choices[i] == current.value;
                break;
        }
        // Menu text treats '&' as a mnemonic marker; show it as itself.
        std::string text;
        for (char c : choices[i]) {
            if (c == '&') text += '&';
            text += c;
        }
        AppendMenuA(menu, MF_STRING | (checked ? MF_CHECKED : 0), kMenuFirst + i, text.c_str());
        if (i + 1 == kMenuFixedEntries && choices.size() > kMenuFixedEntries)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    }
    RECT item{};
    SendMessageA(header_, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&item));
    POINT at{item.left, item.bottom};
    ClientToScreen(header_, &at);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, list_, nullptr));
    if (chosen >= kMenuFirst) ChooseFilter(column, chosen - kMenuFirst);
}

void TGrid::ClearSelection() {
    // Positions change meaning when the order does; a stale selection would
    // copy rows the user never chose.
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void TGrid::SelectAll() {
    LVITEMA item{};
    item.state = LVIS_SELECTED;
    item.stateMask = LVIS_SELECTED;
    SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

std::string TGrid::SelectedText() {
    Sync();
    std::vector<std::size_t> positions;
    int at = -1;
    while ((at = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, at, LVNI_SELECTED))) >= 0) {
        if (static_cast<std::size_t>(at) >= model_.Count()) break;
        positions.push_back(static_cast<std::size_t>(at));
    }
    return model_.CopyText(positions, DisplayFields());
}

void TGrid::CopySelection() {
    const std::string text = SelectedText();
    if (text.empty() || !OpenClipboard(list_)) return;
    ScopeGuard close([] { CloseClipboard(); });
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) return;
    void* data = GlobalLock(memory);
    if (!data) {
        GlobalFree(memory);
        return;
    }
    std::memcpy(data, text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    // The clipboard owns the memory once it accepts it.
    if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
}

int TGrid::FindItem(const NMLVFINDITEMA& find, int start) {
    // Type-ahead: the next row whose first displayed column begins with the
    // typed text, case-insensitively, wrapping around.
    if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
    const std::size_t count = model_.Count();
    if (count == 0) return -1;
    const std::string_view wanted(find.lvfi.psz);
    const std::size_t field = DisplayFields().front();
    const std::size_t begin =
        start >= 0 && static_cast<std::size_t>(start) < count ? static_cast<std::size_t>(start) : 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t position = (begin + k) % count;
        const std::string_view text = model_.Text(position, field);
        if (text.size() >= wanted.size() &&
            CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.data(), static_cast<int>(wanted.size()),
                           wanted.data(), static_cast<int>(wanted.size())) == CSTR_EQUAL)
            return static_cast<int>(position);
    }
    return -1;
}

LRESULT TGrid::OnNotify(NMHDR* header, bool& handled) {
    handled = true;
    switch (header->code) {
        case LVN_GETDISPINFOA: {
            LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
            if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
                item.pszText[0] = '\0';
                if (item.iItem >= 0 && static_cast<std::size_t>(item.iItem) < model_.Count() && item.iSubItem >= 0 &&
                    static_cast<std::size_t>(item.iSubItem) < columns_.size()) {
                    const std::string_view text =
                        model_.Text(static_cast<std::size_t>(item.iItem), columns_[item.iSubItem].field);
                    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
                    std::memcpy(item.pszText, text.data(), n);
                    item.pszText[n] = '\0';
                }
            }
            return 0;
        }
        case LVN_ODFINDITEMA: {
            auto* find = reinterpret_cast<NMLVFINDITEMA*>(header);
            return FindItem(*find, find->iStart);
        }
        case LVN_COLUMNCLICK:
            ClickColumn(static_cast<std::size_t>(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem));
            return 0;
        default:
            handled = false;
            return 0;
    }
}

LRESULT CALLBACK TGrid::ListProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data) {
    return reinterpret_cast<TGrid*>(data)->ListMessage(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK TGrid::HeaderProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data) {
    return reinterpret_cast<TGrid*>(data)->HeaderMessage(hwnd, message, wparam, lparam);
}

LRESULT TGrid::ListMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    try {
        switch (message) {
            case kSyncMessage:
                sync_posted_ = false;
                Sync();
                return 0;
            case kRefitMessage:
                refit_posted_ = false;
                FitColumns();
                return 0;
            case WM_SIZE: {
                // Also when the vertical scroll bar comes or goes: the
                // columns always span the client width exactly.
                const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
                FitColumns();
                return result;
            }
            case WM_NOTIFY: {
                auto* nm = reinterpret_cast<NMHDR*>(lparam);
                if (nm->hwndFrom == header_ && !fitting_ &&
                    (nm->code == HDN_ITEMCHANGEDA || nm->code == HDN_ITEMCHANGEDW)) {
                    // A width the user set (by dragging an edge, or a
                    // double-click that sizes a column to its content).
                    const auto* change = reinterpret_cast<NMHEADERA*>(lparam);
                    const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
                    if (change->pitem && (change->pitem->mask & HDI_WIDTH) && change->iItem >= 0)
                        UserResized(static_cast<std::size_t>(change->iItem), change->pitem->cxy);
                    return result;
                }
                break;
            }
            case WM_KEYDOWN:
                if (GetKeyState(VK_CONTROL) < 0) {
                    if (wparam == 'A') {
                        SelectAll();
                        return 0;
                    }
                    if (wparam == 'C') {
                        CopySelection();
                        return 0;
                    }
                    if (wparam == VK_TAB) {
                        // Page turning belongs to the window that holds the pages.
                        SendMessageA(GetAncestor(hwnd, GA_ROOT), message, wparam, lparam);
                        return 0;
                    }
                }
                break;
            case WM_CHAR:
                // Ctrl+A and Ctrl+C were handled as keys; keep them out of type-ahead.
                if (wparam == 1 || wparam == 3) return 0;
                break;
            case WM_NCDESTROY:
                RemoveWindowSubclass(hwnd, ListProc, kSubclassId);
                RemovePropA(hwnd, kGridProperty);
                list_ = nullptr;
                break;
        }
    } catch (...) {
        ShowHandledException();
        return 0;
    }
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

LRESULT TGrid::HeaderMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    try {
        switch (message) {
            case WM_PAINT:
                if (options_.filter) {
                    const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
                    const WindowDc dc(hwnd);
                    PaintFilterButtons(dc.get());
                    return result;
                }
                break;
            case WM_LBUTTONDOWN:
            case WM_LBUTTONDBLCLK:
                if (options_.filter) {
                    const POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
                    for (std::size_t i = 0; i < columns_.size(); ++i) {
                        const RECT button = FilterButtonRect(i);
                        if (PtInRect(&button, at)) {
                            ShowFilterMenu(i);
                            return 0;
                        }
                    }
                }
                break;
            case WM_NCDESTROY:
                RemoveWindowSubclass(hwnd, HeaderProc, kSubclassId);
                header_ = nullptr;
                break;
        }
    } catch (...) {
        ShowHandledException();
        return 0;
    }
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace corvanta
