#include "processes/VerInfo.h"

#include <cstdio>
#include <cstring>

#include "processes/fixed_file_info.h"

namespace corvanta {
namespace {

// In VersionKey's order.
constexpr const char* kKeyNames[TVerInfoRes::kKeyCount] = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments",
};

constexpr std::uint32_t kFixedInfoSize = sizeof(FixedFileInfo);
constexpr std::uint32_t kTranslationEntrySize = 4;

}  // namespace

const char* TVerInfoRes::KeyName(std::uint8_t index) { return index < kKeyCount ? kKeyNames[index] : nullptr; }

TVerInfoRes::TVerInfoRes(const std::string& FileName_, const VersionLibrary& library)
    : FileName(FileName_), library_(library) {
    LoadVersionBlock();
    LoadFixedInfo();
}

TVerInfoRes::~TVerInfoRes() = default;

bool TVerInfoRes::InBlock(const void* value, std::size_t length) const {
    const auto* begin = InfoBlock.get();
    const auto* p = static_cast<const std::byte*>(value);
    if (begin == nullptr || p == nullptr) return false;
    // Compare as addresses: a value query that points elsewhere is refused.
    const auto first = reinterpret_cast<std::uintptr_t>(begin);
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    if (at < first) return false;
    const auto size = static_cast<std::size_t>(InfoSize);
    const std::size_t offset = at - first;
    return offset <= size && length <= size - offset;
}

void TVerInfoRes::LoadVersionBlock() {
    InfoSize = static_cast<std::int32_t>(library_.SizeQuery(FileName, &InfoHandle));
    if (InfoSize <= 0) throw ENoVerInfoError("No Version Info Available.");

    // Zeroed: a string value that the platform converts without a NUL of
    // its own still ends inside the buffer.
    InfoBlock = std::make_unique<std::byte[]>(static_cast<std::size_t>(InfoSize));
    if (!library_.BlockRead(FileName, InfoHandle, static_cast<std::uint32_t>(InfoSize), InfoBlock.get())) {
        throw EVerInfoError("Cannot obtain version info.");
    }

    const void* value = nullptr;
    std::uint32_t length = 0;
    // A table too short for one entry is as good as none: its first entry
    // would be read past the value's end.
    if (!library_.ValueQuery(InfoBlock.get(), "\\VarFileInfo\\Translation", &value, &length) ||
        length < kTranslationEntrySize || !InBlock(value, kTranslationEntrySize)) {
        throw EVerInfoError("No language info.");
    }
    Translation = static_cast<const std::byte*>(value);
}

void TVerInfoRes::LoadFixedInfo() {
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (!library_.ValueQuery(InfoBlock.get(), "\\", &value, &length) || length < kFixedInfoSize ||
        !InBlock(value, kFixedInfoSize)) {
        throw eNoFixeVerInfo("No fixed file info");
    }
    FixedInfo = static_cast<const std::byte*>(value);
}

std::uint32_t TVerInfoRes::GetTranslation() const {
    std::uint8_t bytes[kTranslationEntrySize];
    std::memcpy(bytes, Translation, sizeof bytes);
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::string TVerInfoRes::TextAt(const void* value) const {
    if (!InBlock(value, 0)) return {};
    const auto* p = static_cast<const char*>(value);
    const auto* end = reinterpret_cast<const char*>(InfoBlock.get()) + InfoSize;
    const auto* nul = static_cast<const char*>(std::memchr(p, '\0', static_cast<std::size_t>(end - p)));
    return std::string(p, nul != nullptr ? nul : end);
}

std::string TVerInfoRes::GetVersionString(std::uint8_t Index) const {
    try {
        const char* key = KeyName(Index);
        if (key == nullptr) return {};
        const std::uint32_t translation = GetTranslation();
        char path[64];
        std::snprintf(path, sizeof path, "\\StringFileInfo\\%04X%04X\\%s", static_cast<unsigned>(translation & 0xFFFF),
                      static_cast<unsigned>(translation >> 16), key);
        const void* value = nullptr;
        std::uint32_t length = 0;
        if (!library_.ValueQuery(InfoBlock.get(), path, &value, &length)) return {};
        return TextAt(value);
    } catch (...) {
        return {};
    }
}

}  // namespace corvanta
