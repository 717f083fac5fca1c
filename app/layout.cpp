#include "app/layout.h"

#include <charconv>

namespace corvanta {
namespace {

constexpr int kMaxCoordinate = 100000;
constexpr std::size_t kMaxItems = 1000;
constexpr std::size_t kMaxLine = 4096;

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool ParseInt(std::string_view text, int& out) {
    if (text.empty()) return false;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    if (value < -kMaxCoordinate || value > kMaxCoordinate) return false;
    out = static_cast<int>(value);
    return true;
}

class LineReader {
public:
    LineReader(std::string_view line, int number) : line_(line), number_(number) {}

    bool AtEnd() {
        SkipBlanks();
        return pos_ >= line_.size();
    }

    std::string Word() {
        SkipBlanks();
        const std::size_t start = pos_;
        while (pos_ < line_.size() && IsNameChar(line_[pos_])) ++pos_;
        if (pos_ == start) Fail("expected a name");
        return std::string(line_.substr(start, pos_ - start));
    }

    void Expect(char c) {
        if (pos_ >= line_.size() || line_[pos_] != c) Fail(std::string("expected '") + c + "'");
        ++pos_;
    }

    // A quoted string with \" and \\ escapes, or a bare run up to a blank.
    std::string Value() {
        if (pos_ < line_.size() && line_[pos_] == '"') {
            ++pos_;
            std::string out;
            for (;;) {
                if (pos_ >= line_.size()) Fail("unterminated quoted value");
                const char c = line_[pos_++];
                if (c == '"') break;
                if (c == '\\') {
                    if (pos_ >= line_.size()) Fail("unterminated quoted value");
                    const char next = line_[pos_++];
                    if (next != '"' && next != '\\') Fail("unknown escape in quoted value");
                    out += next;
                } else {
                    out += c;
                }
            }
            if (pos_ < line_.size() && line_[pos_] != ' ' && line_[pos_] != '\t')
                Fail("expected a blank after a value");
            return out;
        }
        const std::size_t start = pos_;
        while (pos_ < line_.size() && line_[pos_] != ' ' && line_[pos_] != '\t') {
            if (line_[pos_] == '"') Fail("stray quote in value");
            ++pos_;
        }
        return std::string(line_.substr(start, pos_ - start));
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw ELayoutError("Layout line " + std::to_string(number_) + ": " + what);
    }

private:
    void SkipBlanks() {
        while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t')) ++pos_;
    }

    std::string_view line_;
    std::size_t pos_ = 0;
    int number_;
};

}  // namespace

void LayoutItem::Fail(const std::string& what) const {
    throw ELayoutError("Layout line " + std::to_string(line) + " (" + name + "): " + what);
}

bool LayoutItem::Has(std::string_view key) const {
    for (const auto& [k, v] : properties)
        if (k == key) return true;
    return false;
}

const std::string& LayoutItem::Text(std::string_view key) const {
    for (std::size_t i = 0; i < properties.size(); ++i) {
        if (properties[i].first != key) continue;
        if (read.size() < properties.size()) read.resize(properties.size(), false);
        read[i] = true;
        return properties[i].second;
    }
    Fail("missing " + std::string(key));
}

std::string LayoutItem::Text(std::string_view key, std::string_view fallback) const {
    return Has(key) ? Text(key) : std::string(fallback);
}

int LayoutItem::Int(std::string_view key) const {
    int value = 0;
    if (!ParseInt(Text(key), value)) Fail("bad number for " + std::string(key));
    return value;
}

int LayoutItem::Int(std::string_view key, int fallback) const { return Has(key) ? Int(key) : fallback; }

std::vector<int> LayoutItem::Ints(std::string_view key, std::size_t count) const {
    const std::string& text = Text(key);
    std::vector<int> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view part =
            std::string_view(text).substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        int value = 0;
        if (!ParseInt(part, value) || out.size() == count)
            Fail("expected " + std::to_string(count) + " numbers for " + std::string(key));
        out.push_back(value);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (out.size() != count) Fail("expected " + std::to_string(count) + " numbers for " + std::string(key));
    return out;
}

std::uint32_t LayoutItem::Color(std::string_view key) const {
    const std::vector<int> rgb = Ints(key, 3);
    for (int part : rgb)
        if (part < 0 || part > 255) Fail("colour part out of range for " + std::string(key));
    return static_cast<std::uint32_t>(rgb[0]) | (static_cast<std::uint32_t>(rgb[1]) << 8) |
           (static_cast<std::uint32_t>(rgb[2]) << 16);
}

bool LayoutItem::Flag(std::string_view key, bool fallback) const {
    if (!Has(key)) return fallback;
    const std::string& value = Text(key);
    if (value == "1") return true;
    if (value == "0") return false;
    Fail("expected 0 or 1 for " + std::string(key));
}

const LayoutItem& Layout::Find(std::string_view name) const {
    for (const LayoutItem& item : items)
        if (item.name == name) return item;
    throw ELayoutError("Layout has no " + std::string(name));
}

std::vector<const LayoutItem*> Layout::Children(std::string_view kind, std::string_view parent) const {
    std::vector<const LayoutItem*> out;
    for (const LayoutItem& item : items)
        if (item.kind == kind && item.Text("parent", "") == parent) out.push_back(&item);
    return out;
}

void Layout::RejectUnreadKeys() const {
    for (const LayoutItem& item : items)
        for (std::size_t i = 0; i < item.properties.size(); ++i)
            if (i >= item.read.size() || !item.read[i]) item.Fail("unknown key " + item.properties[i].first);
}

Layout ParseLayout(std::string_view text) {
    Layout layout;
    int number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        LineReader reader(line, number);
        if (line.size() > kMaxLine) reader.Fail("line too long");
        if (line.find('\0') != std::string_view::npos) reader.Fail("NUL character");
        if (reader.AtEnd()) continue;
        {
            std::size_t first = line.find_first_not_of(" \t");
            if (line[first] == '#') continue;
        }
        if (layout.items.size() == kMaxItems) reader.Fail("too many items");
        LayoutItem item;
        item.line = number;
        item.kind = reader.Word();
        item.name = reader.Word();
        while (!reader.AtEnd()) {
            std::string key = reader.Word();
            reader.Expect('=');
            std::string value = reader.Value();
            if (item.Has(key)) reader.Fail("repeated key " + key);
            item.properties.emplace_back(std::move(key), std::move(value));
        }
        for (const LayoutItem& other : layout.items)
            if (other.name == item.name) reader.Fail("repeated name " + item.name);
        layout.items.push_back(std::move(item));
    }
    return layout;
}

}  // namespace corvanta
