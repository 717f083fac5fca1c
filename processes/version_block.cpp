#include "processes/version_block.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/ansi_text.h"
#include "processes/byte_cursor.h"

namespace corvanta {
namespace {

// The header every node starts with; the UTF-16 key follows it, then the
// value (aligned to 4 bytes from the node's start), then the children, each
// aligned to 4 bytes.
struct NodeHeader {
    std::uint16_t wLength;
    std::uint16_t wValueLength;
    std::uint16_t wType;  // 0: binary value, otherwise text
};
static_assert(sizeof(NodeHeader) == 6);

constexpr char kSignature[4] = {'F', 'E', '2', 'X'};
// Windows' tree is four deep (root, StringFileInfo, table, string); a
// malformed block cannot make the conversion walk go further than this.
constexpr int kMaxDepth = 8;

constexpr std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

// One node. Its bytes are cut by its own length and by what its parent
// has left, so nothing read through it passes either.
struct Node {
    std::size_t begin = 0;             // offset in the block
    std::span<const std::byte> bytes;  // the node itself
    NodeHeader header{};
    std::size_t key_units = 0;  // without the terminator
    std::size_t value = 0;      // offset in the node; for an empty value, the key's terminator
    bool value_empty = false;
    std::size_t children = 0;  // offset in the node; may lie beyond it
};

// The node at begin, inside [begin, parent_end) of the block.
std::optional<Node> ParseNode(std::span<const std::byte> block, std::size_t begin, std::size_t parent_end) {
    if (begin > parent_end || parent_end > block.size()) return std::nullopt;
    const auto rest = block.subspan(begin, parent_end - begin);
    Node node;
    node.begin = begin;
    ByteCursor header(rest);
    node.header = header.Read<NodeHeader>();
    if (!header.Ok() || node.header.wLength < sizeof(NodeHeader)) return std::nullopt;
    node.bytes = rest.first(std::min<std::size_t>(node.header.wLength, rest.size()));

    // A key without its terminator inside the node leaves no place for the
    // value: the node is unusable.
    ByteCursor key(node.bytes, sizeof(NodeHeader));
    while (key.Read<std::uint16_t>() != 0) ++node.key_units;
    if (!key.Ok()) return std::nullopt;
    const std::size_t terminator = key.Offset() - 2;

    node.value = Align4(key.Offset());
    const std::size_t value_bytes = std::size_t{node.header.wValueLength} * (node.header.wType != 0 ? 2 : 1);
    node.children = node.value + Align4(value_bytes);
    // A value that starts at or beyond the node's end is empty: it reads as
    // the key's terminator.
    if (node.value >= node.bytes.size()) {
        node.value_empty = true;
        node.value = terminator;
    }
    return node;
}

// How many UTF-16 units of a text value lie inside its node.
std::size_t TextUnits(const Node& node) {
    if (node.value_empty) return 0;
    return std::min<std::size_t>(node.header.wValueLength, (node.bytes.size() - node.value) / 2);
}

char16_t FoldCase(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
    return c;
}

bool KeyMatches(const Node& node, std::string_view key) {
    if (node.key_units != key.size()) return false;
    ByteCursor stored(node.bytes, sizeof(NodeHeader));
    for (char wanted : key) {
        const auto unit = static_cast<char16_t>(stored.Read<std::uint16_t>());
        if (FoldCase(unit) != FoldCase(Char1252ToWide(static_cast<unsigned char>(wanted)))) return false;
    }
    return stored.Ok();
}

// Calls visit(child) for each child of node, in order.
template <typename Visit>
void ForEachChild(std::span<const std::byte> block, const Node& node, Visit visit) {
    const std::size_t end = node.begin + node.bytes.size();
    std::size_t child = node.begin + node.children;
    while (child < end) {
        const auto parsed = ParseNode(block, child, end);
        if (!parsed || !visit(*parsed)) return;
        child += Align4(parsed->header.wLength);
    }
}

std::size_t RootLength(const std::byte* block) {
    std::uint16_t length;
    std::memcpy(&length, block, sizeof length);
    return length;
}

// Writes each text value, converted and NUL-ended, at its own offset in the
// conversion area. A value of n units takes 2n bytes in the block and n + 1
// in the area, so the area never overflows and values never overlap there.
void ConvertTree(std::span<std::byte> buffer, std::size_t root_length, const Node& node, int depth) {
    const std::span<const std::byte> block = std::span<const std::byte>(buffer).first(root_length);
    if (node.header.wType != 0) {
        const std::size_t units = TextUnits(node);
        const std::size_t at = root_length + sizeof kSignature + node.begin + node.value;
        if (at + units < buffer.size()) {
            ByteCursor text(node.bytes, node.value);
            for (std::size_t i = 0; i < units; ++i) {
                buffer[at + i] =
                    static_cast<std::byte>(WideCharTo1252(static_cast<char16_t>(text.Read<std::uint16_t>())));
            }
            buffer[at + units] = std::byte{0};
        }
    }
    if (depth >= kMaxDepth) return;
    ForEachChild(block, node, [&](const Node& child) {
        ConvertTree(buffer, root_length, child, depth + 1);
        return true;
    });
}

bool AllZero(std::span<const std::byte> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::byte b) { return b == std::byte{0}; });
}

// Whether a UTF-16 NUL lies in [from, end) of node (from may be past end).
bool NulWithin(std::span<const std::byte> node, std::size_t from) {
    ByteCursor text(node, from);
    while (text.Ok()) {
        if (text.Read<std::uint16_t>() == 0 && text.Ok()) return true;
    }
    return false;
}

// The node at begin inside [0, parent_end) of block, and its children.
const char* CheckSubtree(std::span<const std::byte> block, std::size_t begin, std::size_t parent_end, int depth) {
    const auto rest = block.subspan(begin, parent_end - begin);
    ByteCursor cursor(rest);
    const auto header = cursor.Read<NodeHeader>();
    if (!cursor.Ok()) return "node header past its parent";
    if (header.wLength > rest.size()) return "node length past its parent";
    if (header.wLength < sizeof(NodeHeader) + sizeof(char16_t)) return "node length shorter than its header and key";
    const auto node = rest.first(header.wLength);

    ByteCursor key(node, sizeof(NodeHeader));
    while (key.Read<std::uint16_t>() != 0) {
    }
    if (!key.Ok()) return "key not terminated inside its node";

    const std::size_t value = Align4(key.Offset());
    const std::size_t value_bytes = std::size_t{header.wValueLength} * (header.wType != 0 ? 2 : 1);
    const bool value_inside = value <= node.size() && value_bytes <= node.size() - value;
    if (value_bytes != 0 && !value_inside && !(header.wType != 0 && NulWithin(node, value))) {
        return "value past its node";
    }
    if (depth >= kMaxDepth) return nullptr;
    for (std::size_t child = value + Align4(value_bytes); child < node.size();) {
        if (AllZero(node.subspan(child))) break;
        if (const char* fault = CheckSubtree(block, begin + child, begin + node.size(), depth + 1)) return fault;
        std::uint16_t length;
        std::memcpy(&length, node.data() + child, sizeof length);
        child += Align4(length);
    }
    return nullptr;
}

}  // namespace

const char* FindVersionTreeFault(std::span<const std::byte> resource) {
    // The 16-bit layout has its 8-bit key where the 32-bit one has wType.
    constexpr std::size_t kKey16At = 4;
    if (resource.size() > kKey16At && std::to_integer<unsigned>(resource[kKey16At]) >= 0x20) {
        return "block in the 16-bit layout";
    }
    if (resource.size() < sizeof(NodeHeader)) return "block shorter than its root header";
    return CheckSubtree(resource, 0, resource.size(), 0);
}

void PrepareVersionBlock(std::span<std::byte> buffer, std::size_t raw_size) {
    raw_size = std::min(raw_size, buffer.size());
    if (buffer.size() < sizeof(NodeHeader)) {
        std::fill(buffer.begin(), buffer.end(), std::byte{0});
        return;
    }
    // The root may claim more than the file held, or more than the buffer
    // can mirror: cut it so that the block and its conversions fit.
    const std::size_t room = (buffer.size() - sizeof kSignature) / 2;
    const std::size_t length = std::min({RootLength(buffer.data()), raw_size, room});
    if (length < sizeof(NodeHeader)) {
        // Not even a root header: a block of length 0, which no query enters.
        std::fill(buffer.begin(), buffer.end(), std::byte{0});
        return;
    }
    const auto stored = static_cast<std::uint16_t>(length);
    std::memcpy(buffer.data(), &stored, sizeof stored);
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(length), buffer.end(), std::byte{0});
    std::memcpy(buffer.data() + length, kSignature, sizeof kSignature);
    const auto root = ParseNode(std::span<const std::byte>(buffer).first(length), 0, length);
    if (root) ConvertTree(buffer, length, *root, 0);
}

bool QueryVersionBlock(const std::byte* block, std::string_view sub_block, const void** value, std::uint32_t* length) {
    if (block == nullptr) return false;
    const std::size_t root_length = RootLength(block);
    const std::span<const std::byte> view(block, root_length);
    auto node = ParseNode(view, 0, root_length);
    if (!node) return false;
    while (!sub_block.empty()) {
        const std::size_t slash = sub_block.find('\\');
        const std::string_view key = sub_block.substr(0, slash);
        sub_block = slash == std::string_view::npos ? std::string_view{} : sub_block.substr(slash + 1);
        if (key.empty()) continue;
        std::optional<Node> found;
        ForEachChild(view, *node, [&](const Node& child) {
            if (KeyMatches(child, key)) found = child;
            return !found;
        });
        if (!found) return false;
        node = found;
    }

    if (node->header.wType != 0) {
        *value = block + root_length + sizeof kSignature + node->begin + node->value;
        *length = static_cast<std::uint32_t>(TextUnits(*node));
    } else {
        *value = block + node->begin + node->value;
        *length = node->value_empty
                      ? 0
                      : std::min<std::uint32_t>(node->header.wValueLength,
                                                static_cast<std::uint32_t>(node->bytes.size() - node->value));
    }
    return true;
}

}  // namespace corvanta
