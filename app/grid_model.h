#pragma once
// What a grid shows of its table, without any window: its own order of the
// table's rows (sorted, filtered), the column widths and the text it copies.
// The table keeps its rows in append order; the grid only keeps indexes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inventory/mem_table.h"

namespace corvanta {

// Byte-by-byte on unsigned characters, not by locale: empty text first, then
// digits, then capitals, then small letters. A prefix sorts before the longer
// text. Returns <0, 0 or >0.
int CompareCellText(std::string_view a, std::string_view b);

enum class FilterKind { All, Blanks, NonBlanks, Value };

struct ColumnFilter {
    FilterKind kind = FilterKind::All;
    std::string value;  // for FilterKind::Value

    bool Active() const { return kind != FilterKind::All; }
    bool Accepts(std::string_view text) const;
    bool operator==(const ColumnFilter&) const = default;
};

// A column's distinct non-empty values, sorted as the grid sorts. (Blanks)
// stands for the empty one.
std::vector<std::string> DistinctValues(const MemTable& table, std::size_t field);

// Widths that keep the proportions of `relative` and add up to `total`
// exactly (largest remainder). Each is at least 0; relative widths <= 0 count
// as 1 so a column never vanishes from the proportions.
std::vector<int> FitWidths(const std::vector<int>& relative, int total);

// After the user set column `resized` to widths[resized]: that column keeps
// its new width as far as the others can still be `minimum` wide, and the
// columns after it (or, for the last column, before it) share the rest in
// their old proportions. The result adds up to `total` exactly.
std::vector<int> FitAfterResize(const std::vector<int>& widths, std::size_t resized, int total, int minimum);

// A bound column's default width: the width of "0" in the grid's font times
// the field's display width, plus 4 pixels.
inline int DefaultColumnWidth(int zero_width, std::size_t display_width) {
    return zero_width * static_cast<int>(display_width) + 4;
}

class GridModel {
public:
    explicit GridModel(const MemTable& table);

    const MemTable& Table() const { return table_; }

    // Sorts by a field (ascending or descending), or in table order.
    void SetSort(std::optional<std::size_t> field, bool descending);
    std::optional<std::size_t> SortField() const { return sort_field_; }
    bool SortDescending() const { return descending_; }

    void SetFilter(std::size_t field, ColumnFilter filter);
    const ColumnFilter& Filter(std::size_t field) const { return filters_.at(field); }

    // The table posted a row. Cheap: the row is queued and merged into the
    // order when the order is next read, so a scan that posts row after row
    // costs no more than one merge per repaint.
    void RowPosted(std::size_t row);
    // The whole table may have changed: read it again.
    void Reload();

    // Rows shown, and the table row shown at a display position.
    std::size_t Count();
    std::size_t RowAt(std::size_t position);
    std::string_view Text(std::size_t position, std::size_t field);

    // The given display positions as lines of tab-separated fields, each line
    // ending in CR LF, in the order given.
    std::string CopyText(const std::vector<std::size_t>& positions, const std::vector<std::size_t>& fields);

    // Merges queued rows into the order.
    void Flush();

private:
    bool Accepts(std::uint32_t row) const;
    void SortOrder();

    const MemTable& table_;
    std::vector<ColumnFilter> filters_;
    std::optional<std::size_t> sort_field_;
    bool descending_ = false;
    std::vector<std::uint32_t> order_;
    std::vector<std::uint32_t> queued_;
};

}  // namespace corvanta
