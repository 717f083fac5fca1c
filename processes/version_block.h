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
bool QueryVersionBlock(const std::byte* block, std::string_view sub_block, const void** value,
                       std::uint32_t* length);

}  // namespace corvanta
