#pragma once
// The fixed part of a version resource (VS_FIXEDFILEINFO): thirteen
// little-endian DWORDs, which the value "\" of a version block points at.
#include <cstdint>

namespace corvanta {

struct FixedFileInfo {
    std::uint32_t signature;  // 0xFEEF04BD
    std::uint32_t struct_version;
    std::uint32_t file_version_ms;
    std::uint32_t file_version_ls;
    std::uint32_t product_version_ms;
    std::uint32_t product_version_ls;
    std::uint32_t file_flags_mask;
    std::uint32_t file_flags;
    std::uint32_t file_os;
    std::uint32_t file_type;
    std::uint32_t file_subtype;
    std::uint32_t file_date_ms;
    std::uint32_t file_date_ls;
};
static_assert(sizeof(FixedFileInfo) == 52, "the fixed file information is 13 DWORDs, no padding");

}  // namespace corvanta
