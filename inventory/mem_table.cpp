#include "inventory/mem_table.h"

#include <stdexcept>

namespace corvanta {

DataSource::DataSource(MemTable& table) : table_(table) {
    if (table.source_) throw std::logic_error("table " + table.Name() + " already has a data source");
    table.source_ = this;
}

DataSource::~DataSource() {
    if (table_.source_ == this) table_.source_ = nullptr;
}

MemTable::MemTable(std::string name, std::vector<ColumnDef> columns)
    : name_(std::move(name)), columns_(std::move(columns)), pending_(columns_.size()) {
    if (columns_.empty()) throw std::logic_error("table " + name_ + " has no columns");
}

std::optional<std::size_t> MemTable::FindColumn(std::string_view name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].name == name) return i;
    return std::nullopt;
}

void MemTable::Open() { active_ = true; }

void MemTable::Empty() {
    text_.clear();
    offsets_.assign(1, 0);
    current_.reset();
    appending_ = false;
    // While suspended, the resume that ends the suspension tells the display.
    if (disable_count_ == 0 && source_) source_->NotifyDataSetChanged();
}

void MemTable::Append() {
    for (std::string& value : pending_) value.clear();
    pending_any_set_ = false;
    appending_ = true;
}

void MemTable::SetColumn(std::size_t column, std::string_view text) {
    if (!appending_) return;
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    pending_.at(column).assign(text.substr(0, columns_.at(column).width));
    pending_any_set_ = true;
}

std::string_view MemTable::ReadColumn(std::size_t column) const {
    if (appending_) return pending_.at(column);
    if (!current_ || column >= columns_.size()) return {};
    return Cell(*current_, column);
}

void MemTable::StoreRow() {
    for (const std::string& value : pending_) {
        text_.append(value);
        offsets_.push_back(text_.size());
    }
}

void MemTable::Post() {
    if (!appending_) return;
    StoreRow();
    appending_ = false;
    current_ = RecordCount() - 1;
    if (disable_count_ == 0 && source_) source_->NotifyRecordPosted(*current_);
}

void MemTable::First() {
    if (appending_) {
        if (pending_any_set_)
            Post();
        else
            appending_ = false;
    }
    current_ = RecordCount() > 0 ? std::optional<std::size_t>(0) : std::nullopt;
}

void MemTable::DisableControls() { ++disable_count_; }

void MemTable::EnableControls() {
    if (disable_count_ == 0) return;
    if (--disable_count_ == 0 && source_) source_->NotifyDataSetChanged();
}

StringField::StringField(MemTable& table, std::string_view column_name) : table_(table) {
    const auto index = table.FindColumn(column_name);
    if (!index) throw std::logic_error("table " + table.Name() + " has no column " + std::string(column_name));
    index_ = *index;
}

}  // namespace corvanta
