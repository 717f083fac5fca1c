#pragma once
// A version block laid out as Windows' ANSI functions expect, so that value
// queries can hand out 8-bit text that lives inside the block:
//
//   [0, L)        the resource's own bytes (VS_VERSIONINFO, UTF-16 keys)
//   [L, L + 4)    "FE2X"
//   [L + 4, 2L+4) each string value converted to 8-bit text, NUL-ended,
//                 at the same offset as the wide value has in [0, L)
//
// where L is the root's length, cut to the bytes actually present. Queries
// trust only L, so a block must be prepared before it is queried.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace corvanta {

// The buffer a resource of resource_size bytes needs (as Windows reports).
constexpr std::uint32_t VersionBufferSize(std::uint32_t resource_size) { return resource_size * 2 + 4; }

// buffer holds the resource's first raw_size bytes; the rest is rewritten.
// Cuts the root length to what the buffer holds and converts every string
// value into the conversion area.
void PrepareVersionBlock(std::span<std::byte> buffer, std::size_t raw_size);

// Looks up a path of keys ("\StringFileInfo\040904B0\CompanyName"); empty
// components are skipped and keys compare without regard to case. For a
// string value *value is its 8-bit text and *length its character count;
// otherwise *value is the raw value and *length its size in bytes.
bool QueryVersionBlock(const std::byte* block, std::string_view sub_block, const void** value, std::uint32_t* length);

// Checks a raw version resource (as stored, without the conversion area) as
// a reader that trusts its lengths would walk it: the root and every node
// inside its parent, every key terminated inside its node, every value
// inside its node (a text value may instead end with a NUL inside it). Zero
// bytes that fill the rest of a node are padding, not a node. Returns what
// lies outside, or nullptr when nothing does. Nodes deeper than any query
// reaches are not walked; a root that Windows would take for the 16-bit
// layout fails, as this reader knows only the 32-bit one.
const char* FindVersionTreeFault(std::span<const std::byte> resource);

}  // namespace corvanta
