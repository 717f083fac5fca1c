#include "app/grid_model.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace corvanta {

namespace {

// The first eight bytes of a text as a big-endian number, zero-padded: two
// texts compare as their prefixes do unless these are equal. Cells hold no
// NUL, so the padding sorts a shorter text first, as it should.
std::uint64_t Prefix(std::string_view text) {
    if (text.empty()) return 0;
    unsigned char bytes[8] = {};
    std::memcpy(bytes, text.data(), std::min<std::size_t>(text.size(), 8));
    std::uint64_t value = 0;
    for (unsigned char byte : bytes) value = (value << 8) | byte;
    return value;
}

// Byte comparison eight bytes at a time; the C library's memcmp is slow
// under some runtimes and this is the grid's hot loop.
int CompareBytes(const char* a, const char* b, std::size_t n) {
    while (n >= 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y) {
            const std::uint64_t bx = Prefix(std::string_view(a, 8));
            const std::uint64_t by = Prefix(std::string_view(b, 8));
            return bx < by ? -1 : 1;
        }
        a += 8;
        b += 8;
        n -= 8;
    }
    for (; n != 0; ++a, ++b, --n) {
        const unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

std::string_view From(std::string_view text, std::size_t offset) {
    return offset < text.size() ? text.substr(offset) : std::string_view();
}

// One row as the sort sees it: the cell's text found once, and its first
// sixteen bytes at hand, so most comparisons never touch the text (whose
// reads are cache misses all over the table's arena).
struct SortKey {
    std::uint64_t head;
    std::uint64_t next;
    const char* text;
    std::uint32_t size;
    std::uint32_t row;
};

int CompareKeys(const SortKey& a, const SortKey& b) {
    if (a.head != b.head) return a.head < b.head ? -1 : 1;
    if (a.next != b.next) return a.next < b.next ? -1 : 1;
    if (a.size <= 16 || b.size <= 16) return a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
    const int c = CompareBytes(a.text + 16, b.text + 16, std::min(a.size, b.size) - 16);
    if (c != 0) return c;
    return a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
}

struct KeyLess {
    bool descending;
    bool operator()(const SortKey& a, const SortKey& b) const {
        const int c = CompareKeys(a, b);
        return c != 0 ? (descending ? c > 0 : c < 0) : a.row < b.row;
    }
};

// Byte `depth` (0..15) of a key's cached prefix.
unsigned KeyByte(const SortKey& key, int depth) {
    const std::uint64_t word = depth < 8 ? key.head : key.next;
    return static_cast<unsigned>(word >> (56 - 8 * (depth % 8))) & 0xFF;
}

// Most-significant-byte radix sort over the cached prefix bytes, then a
// comparison sort inside each small or prefix-exhausted bucket. Most texts
// are told apart by their first bytes, so this does far fewer of the
// comparisons that reach into the text than a comparison sort would.
void RadixSort(SortKey* keys, SortKey* scratch, std::size_t n, int depth, bool descending) {
    for (;;) {
        if (n < 64 || depth == 16) {
            std::sort(keys, keys + n, KeyLess{descending});
            return;
        }
        std::size_t count[256] = {};
        for (std::size_t i = 0; i < n; ++i) ++count[KeyByte(keys[i], depth)];
        const unsigned first = KeyByte(keys[0], depth);
        if (count[first] == n) {  // one bucket: look at the next byte
            ++depth;
            continue;
        }
        std::size_t start[256];
        std::size_t at = 0;
        for (int k = 0; k < 256; ++k) {
            const unsigned digit = descending ? static_cast<unsigned>(255 - k) : static_cast<unsigned>(k);
            start[digit] = at;
            at += count[digit];
        }
        std::size_t next[256];
        std::memcpy(next, start, sizeof next);
        for (std::size_t i = 0; i < n; ++i) scratch[next[KeyByte(keys[i], depth)]++] = keys[i];
        std::memcpy(static_cast<void*>(keys), scratch, n * sizeof(SortKey));
        for (unsigned digit = 0; digit < 256; ++digit)
            if (count[digit] > 1) RadixSort(keys + start[digit], scratch, count[digit], depth + 1, descending);
        return;
    }
}

// Sorts rows by one field; ties keep ascending row order.
void SortRows(const MemTable& table, std::size_t field, bool descending, std::vector<std::uint32_t>& rows) {
    std::vector<SortKey> keys;
    keys.reserve(rows.size());
    for (std::uint32_t row : rows) {
        const std::string_view text = table.Cell(row, field);
        keys.push_back(
            SortKey{Prefix(text), Prefix(From(text, 8)), text.data(), static_cast<std::uint32_t>(text.size()), row});
    }
    if (!keys.empty()) {
        std::vector<SortKey> scratch(keys.size());
        RadixSort(keys.data(), scratch.data(), keys.size(), 0, descending);
    }
    for (std::size_t i = 0; i < keys.size(); ++i) rows[i] = keys[i].row;
}

}  // namespace

int CompareCellText(std::string_view a, std::string_view b) {
    const int c = CompareBytes(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0) return c;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool ColumnFilter::Accepts(std::string_view text) const {
    switch (kind) {
        case FilterKind::All:
            return true;
        case FilterKind::Blanks:
            return text.empty();
        case FilterKind::NonBlanks:
            return !text.empty();
        case FilterKind::Value:
            return text == value;
    }
    return true;
}

std::vector<std::string> DistinctValues(const MemTable& table, std::size_t field) {
    std::vector<std::string_view> values;
    values.reserve(table.RecordCount());
    for (std::size_t row = 0; row < table.RecordCount(); ++row) {
        const std::string_view text = table.Cell(row, field);
        if (!text.empty()) values.push_back(text);
    }
    std::sort(values.begin(), values.end(),
              [](std::string_view a, std::string_view b) { return CompareCellText(a, b) < 0; });
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return {values.begin(), values.end()};
}

std::vector<int> FitWidths(const std::vector<int>& relative, int total) {
    std::vector<int> out(relative.size(), 0);
    if (relative.empty() || total <= 0) return out;
    long long sum = 0;
    for (int w : relative) sum += std::max(w, 1);
    std::vector<std::pair<long long, std::size_t>> remainders;
    long long given = 0;
    for (std::size_t i = 0; i < relative.size(); ++i) {
        const long long scaled = static_cast<long long>(std::max(relative[i], 1)) * total;
        out[i] = static_cast<int>(scaled / sum);
        given += out[i];
        remainders.emplace_back(scaled % sum, i);
    }
    // Hand out the pixels lost to rounding to the largest remainders, ties
    // to the leftmost column.
    std::stable_sort(remainders.begin(), remainders.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (std::size_t k = 0; given < total; ++k, ++given) ++out[remainders[k % remainders.size()].second];
    return out;
}

std::vector<int> FitAfterResize(const std::vector<int>& widths, std::size_t resized, int total, int minimum) {
    const std::size_t n = widths.size();
    if (n == 0 || resized >= n) return FitWidths(widths, total);
    if (n == 1) return {std::max(total, 0)};
    // The columns that give or take the difference.
    std::vector<std::size_t> others;
    if (resized + 1 < n) {
        for (std::size_t i = resized + 1; i < n; ++i) others.push_back(i);
    } else {
        for (std::size_t i = 0; i < resized; ++i) others.push_back(i);
    }
    int fixed = 0;  // columns that neither give nor take
    for (std::size_t i = 0; i < n; ++i)
        if (i != resized && std::find(others.begin(), others.end(), i) == others.end()) fixed += widths[i];
    const int room = total - fixed;
    const int most = room - minimum * static_cast<int>(others.size());
    if (most < minimum) return FitWidths(widths, total);  // too tight to honour the drag
    const int mine = std::clamp(widths[resized], minimum, most);
    std::vector<int> share;
    for (std::size_t i : others) share.push_back(std::max(widths[i], 1));
    // Give each other column its minimum, and the rest in proportion.
    std::vector<int> extra = FitWidths(share, room - mine - minimum * static_cast<int>(others.size()));
    std::vector<int> out = widths;
    out[resized] = mine;
    for (std::size_t k = 0; k < others.size(); ++k) out[others[k]] = minimum + extra[k];
    return out;
}

GridModel::GridModel(const MemTable& table) : table_(table), filters_(table.ColumnCount()) {}

bool GridModel::Accepts(std::uint32_t row) const {
    for (std::size_t f = 0; f < filters_.size(); ++f)
        if (filters_[f].Active() && !filters_[f].Accepts(table_.Cell(row, f))) return false;
    return true;
}

void GridModel::SortOrder() {
    if (!sort_field_) {
        std::sort(order_.begin(), order_.end());
        return;
    }
    // Ties keep table order, so the order is total and a later insertion by
    // binary search lands exactly where a full sort would put it.
    SortRows(table_, *sort_field_, descending_, order_);
}

void GridModel::SetSort(std::optional<std::size_t> field, bool descending) {
    Flush();
    sort_field_ = field;
    descending_ = descending;
    SortOrder();
}

void GridModel::SetFilter(std::size_t field, ColumnFilter filter) {
    filters_.at(field) = std::move(filter);
    Reload();
}

void GridModel::RowPosted(std::size_t row) { queued_.push_back(static_cast<std::uint32_t>(row)); }

void GridModel::Reload() {
    queued_.clear();
    order_.clear();
    const std::size_t count = table_.RecordCount();
    order_.reserve(count);
    for (std::uint32_t row = 0; row < count; ++row)
        if (Accepts(row)) order_.push_back(row);
    SortOrder();
}

void GridModel::Flush() {
    if (queued_.empty()) return;
    std::vector<std::uint32_t> rows;
    rows.swap(queued_);
    std::erase_if(rows, [&](std::uint32_t row) { return row >= table_.RecordCount() || !Accepts(row); });
    if (rows.empty()) return;
    auto less = [&](std::uint32_t a, std::uint32_t b) {
        if (!sort_field_) return a < b;
        const int c = CompareCellText(table_.Cell(a, *sort_field_), table_.Cell(b, *sort_field_));
        if (c != 0) return descending_ ? c > 0 : c < 0;
        return a < b;
    };
    if (rows.size() <= 8) {
        // The usual case while the display follows a scan: each row goes in
        // at its place found by binary search.
        for (std::uint32_t row : rows) order_.insert(std::upper_bound(order_.begin(), order_.end(), row, less), row);
        return;
    }
    if (sort_field_)
        SortRows(table_, *sort_field_, descending_, rows);
    else
        std::sort(rows.begin(), rows.end());
    const std::size_t middle = order_.size();
    order_.insert(order_.end(), rows.begin(), rows.end());
    std::inplace_merge(order_.begin(), order_.begin() + static_cast<std::ptrdiff_t>(middle), order_.end(), less);
}

std::size_t GridModel::Count() {
    Flush();
    return order_.size();
}

std::size_t GridModel::RowAt(std::size_t position) {
    Flush();
    return order_.at(position);
}

std::string_view GridModel::Text(std::size_t position, std::size_t field) {
    return table_.Cell(RowAt(position), field);
}

std::string GridModel::CopyText(const std::vector<std::size_t>& positions, const std::vector<std::size_t>& fields) {
    std::string out;
    for (std::size_t position : positions) {
        const std::size_t row = RowAt(position);
        for (std::size_t k = 0; k < fields.size(); ++k) {
            if (k != 0) out += '\t';
            out += table_.Cell(row, fields[k]);
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace corvanta
