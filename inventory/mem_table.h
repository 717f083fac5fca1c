#pragma once
// An in-memory table of fixed-width 8-bit text columns, told to its one
// display through its data source. Rows are only ever appended, so they are
// kept in one text arena with an offset per cell: reading a cell for the grid
// is two array look-ups and no allocation.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvanta {

struct ColumnDef {
    std::string name;
    std::size_t width;
};

// What a display implements to follow a table.
class DataLink {
public:
    virtual ~DataLink() = default;
    // A row was posted; it stands at `row` in table order.
    virtual void RecordPosted(std::size_t row) = 0;
    // Anything may have changed: read the whole table again.
    virtual void DataSetChanged() = 0;
};

class MemTable;

// The one link through which a table's display reads rows and hears of changes.
class DataSource {
public:
    explicit DataSource(MemTable& table);
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    MemTable& DataSet() const { return table_; }
    // The display to tell; nullptr for none.
    void SetLink(DataLink* link) { link_ = link; }
    DataLink* Link() const { return link_; }

    void NotifyRecordPosted(std::size_t row) {
        if (link_) link_->RecordPosted(row);
    }
    void NotifyDataSetChanged() {
        if (link_) link_->DataSetChanged();
    }

private:
    MemTable& table_;
    DataLink* link_ = nullptr;
};

class MemTable {
public:
    MemTable(std::string name, std::vector<ColumnDef> columns);
    MemTable(const MemTable&) = delete;
    MemTable& operator=(const MemTable&) = delete;

    const std::string& Name() const { return name_; }
    std::size_t ColumnCount() const { return columns_.size(); }
    const ColumnDef& Column(std::size_t index) const { return columns_.at(index); }
    // Index of the column with that name, or nullopt.
    std::optional<std::size_t> FindColumn(std::string_view name) const;

    bool Active() const { return active_; }
    void Open();
    // Removes every row (and a pending one).
    void Empty();
    // Begins a pending row at the end; it becomes the current row.
    void Append();
    // Stores text into a column of the pending row, up to its first NUL and cut to the width.
    void SetColumn(std::size_t column, std::string_view text);
    // The text of a column of the current row, pending or stored; empty without a current row.
    std::string_view ReadColumn(std::size_t column) const;
    // Stores the pending row, which stays current.
    void Post();
    // Completes a pending row (posted if any column was set, else dropped),
    // then makes the first row current.
    void First();
    void DisableControls();
    void EnableControls();

    bool Appending() const { return appending_; }
    bool ControlsDisabled() const { return disable_count_ > 0; }
    // The stored row that is current, or nullopt (none, or the pending row).
    std::optional<std::size_t> CurrentRow() const { return appending_ ? std::nullopt : current_; }

    std::size_t RecordCount() const { return (offsets_.size() - 1) / columns_.size(); }
    // A stored cell, for displays.
    std::string_view Cell(std::size_t row, std::size_t column) const {
        const std::size_t at = row * columns_.size() + column;
        return std::string_view(text_.data() + offsets_[at], offsets_[at + 1] - offsets_[at]);
    }

private:
    friend class DataSource;

    void StoreRow();

    std::string name_;
    std::vector<ColumnDef> columns_;
    bool active_ = false;
    std::string text_;
    std::vector<std::size_t> offsets_{0};
    std::optional<std::size_t> current_;
    // The pending row; its strings are reused from row to row.
    bool appending_ = false;
    bool pending_any_set_ = false;
    std::vector<std::string> pending_;
    int disable_count_ = 0;
    DataSource* source_ = nullptr;
};

// A table's column as a window member, through which code sets and reads it.
class StringField {
public:
    StringField(MemTable& table, std::string_view column_name);
    const std::string& FieldName() const { return table_.Column(index_).name; }
    std::size_t Size() const { return table_.Column(index_).width; }
    std::size_t Index() const { return index_; }
    std::string AsString() const { return std::string(table_.ReadColumn(index_)); }
    void SetAsString(std::string_view text) { table_.SetColumn(index_, text); }

private:
    MemTable& table_;
    std::size_t index_;
};

}  // namespace corvanta
