#include "processes/version_block.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/ansi_text.h"

namespace corvanta {
namespace {

// The header every node starts with; the UTF-16 key follows it, then the
// value (aligned to 4 bytes from the node's start), then the children, each
// aligned to 4 bytes.
struct NodeHeader {
    std::uint16_t wLength;
    std::uint16_t wValueLength;
    std::uint16_t wType;
};
static_assert(sizeof(NodeHeader) == 6);

constexpr char kSignature[4] = {'F', 'E', '2', 'X'};
// Windows' tree is four deep (root, StringFileInfo, table, string); a
// malformed block cannot make the conversion walk go further than this.
constexpr int kMaxDepth = 8;

constexpr std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

std::uint16_t Read16(const std::byte* p) {
    std::uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// One node, cut to its parent: offsets are from the block's start.
struct Node {
    std::size_t begin = 0;
    std::size_t end = 0;        // begin + wLength, cut to the parent's end
    std::size_t declared_end = 0;  // begin + wLength as stored
    NodeHeader header{};
    std::size_t key_begin = 0;
    std::size_t key_units = 0;  // without the terminator
    bool key_terminated = false;
    std::size_t value = 0;      // where the value starts
    bool value_empty = false;   // the value lies outside the node
    std::size_t children = 0;   // where the children start (may be >= end)
};

std::optional<Node> ParseNode(const std::byte* block, std::size_t begin, std::size_t parent_end) {
    if (begin > parent_end || parent_end - begin < sizeof(NodeHeader)) return std::nullopt;
    Node node;
    node.begin = begin;
    std::memcpy(&node.header, block + begin, sizeof node.header);
    if (node.header.wLength < sizeof(NodeHeader)) return std::nullopt;
    node.declared_end = begin + node.header.wLength;
    node.end = std::min(node.declared_end, parent_end);
    node.key_begin = begin + sizeof(NodeHeader);
    std::size_t at = node.key_begin;
    while (at + 2 <= node.end) {
        if (Read16(block + at) == 0) {
            node.key_terminated = true;
            break;
        }
        at += 2;
    }
    // A key without its terminator inside the node leaves no place for the
    // value: the node is unusable.
    if (!node.key_terminated) return std::nullopt;
    node.key_units = (at - node.key_begin) / 2;
    node.value = begin + Align4(at + 2 - begin);
    const std::size_t value_bytes = std::size_t{node.header.wValueLength} * (node.header.wType != 0 ? 2 : 1);
    node.children = node.value + Align4(value_bytes);
    // A value that starts at or beyond the node's end is empty: it reads as
    // the key's terminator.
    if (node.value >= node.declared_end || node.value >= node.end) {
        node.value_empty = true;
        node.value = at;
    }
    return node;
}

// How many UTF-16 units of a string value are present inside its node.
std::size_t TextUnits(const Node& node) {
    if (node.value_empty) return 0;
    return std::min<std::size_t>(node.header.wValueLength, (node.end - node.value) / 2);
}

bool KeyMatches(const std::byte* block, const Node& node, std::string_view key) {
    if (node.key_units != key.size()) return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        char16_t stored = Read16(block + node.key_begin + 2 * i);
        char16_t wanted = Char1252ToWide(static_cast<unsigned char>(key[i]));
        auto fold = [](char16_t c) -> char16_t {
            if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
            return c;
        };
        if (fold(stored) != fold(wanted)) return false;
    }
    return true;
}

std::size_t RootLength(const std::byte* block) { return Read16(block); }

void ConvertTree(std::byte* block, std::size_t root_length, std::size_t begin, std::size_t parent_end, int depth) {
    const auto node = ParseNode(block, begin, parent_end);
    if (!node) return;
    if (node->header.wType != 0) {
        const std::size_t units = TextUnits(*node);
        auto* out = reinterpret_cast<char*>(block + root_length + sizeof kSignature + node->value);
        for (std::size_t i = 0; i < units; ++i) {
            out[i] = WideCharTo1252(Read16(block + node->value + 2 * i));
        }
        out[units] = '\0';
    }
    if (depth >= kMaxDepth) return;
    std::size_t child = node->children;
    while (child < node->end) {
        const auto parsed = ParseNode(block, child, node->end);
        if (!parsed) break;
        ConvertTree(block, root_length, child, node->end, depth + 1);
        child += Align4(parsed->header.wLength);
    }
}

}  // namespace

void PrepareVersionBlock(std::span<std::byte> buffer, std::size_t raw_size) {
    raw_size = std::min(raw_size, buffer.size());
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(raw_size), buffer.end(), std::byte{0});
    if (buffer.size() < sizeof(NodeHeader)) {
        std::fill(buffer.begin(), buffer.end(), std::byte{0});
        return;
    }
    // The root may claim more than the file held, or more than the buffer
    // can mirror: cut it so that the block and its conversions fit.
    const std::size_t room = buffer.size() >= sizeof kSignature ? (buffer.size() - sizeof kSignature) / 2 : 0;
    const std::size_t length = std::min({std::size_t{RootLength(buffer.data())}, raw_size, room});
    if (length < sizeof(NodeHeader)) {
        // Not even a root header: a block of length 0, which no query enters.
        std::fill(buffer.begin(), buffer.end(), std::byte{0});
        return;
    }
    const auto stored = static_cast<std::uint16_t>(length);
    std::memcpy(buffer.data(), &stored, sizeof stored);
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(length), buffer.end(), std::byte{0});
    std::memcpy(buffer.data() + length, kSignature, sizeof kSignature);
    ConvertTree(buffer.data(), length, 0, length, 0);
}

bool QueryVersionBlock(const std::byte* block, std::string_view sub_block, const void** value,
                       std::uint32_t* length) {
    if (block == nullptr) return false;
    const std::size_t root_length = RootLength(block);
    auto node = ParseNode(block, 0, root_length);
    if (!node) return false;
    while (!sub_block.empty()) {
        const std::size_t slash = sub_block.find('\\');
        const std::string_view key = sub_block.substr(0, slash);
        sub_block = slash == std::string_view::npos ? std::string_view{} : sub_block.substr(slash + 1);
        if (key.empty()) continue;
        std::optional<Node> found;
        std::size_t child = node->children;
        while (child < node->end) {
            auto parsed = ParseNode(block, child, node->end);
            if (!parsed) break;
            if (KeyMatches(block, *parsed, key)) {
                found = parsed;
                break;
            }
            child += Align4(parsed->header.wLength);
        }
        if (!found) return false;
        node = found;
    }

    if (node->header.wType != 0) {
        *value = block + root_length + sizeof kSignature + node->value;
        *length = static_cast<std::uint32_t>(TextUnits(*node));
    } else {
        *value = block + node->value;
        *length = node->value_empty ? 0 : std::min<std::uint32_t>(node->header.wValueLength,
                                                                   static_cast<std::uint32_t>(node->end - node->value));
    }
    return true;
}

}  // namespace corvanta
