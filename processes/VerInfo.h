#pragma once
// TVerInfoRes reads the version information resource of one executable or
// library file and answers lookups of its ten standard string values, taken
// from the file's first translation. The constructor reads and checks
// everything; a file whose version information is missing or unusable
// yields an exception instead of a reader. Lookups never fail.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/exception.h"
#include "processes/version_library.h"

namespace corvanta {

// Siblings on purpose: a caller that wants all three catches Exception.
class EVerInfoError : public Exception {
public:
    using Exception::Exception;
};

class ENoVerInfoError : public Exception {
public:
    using Exception::Exception;
};

class eNoFixeVerInfo : public Exception {
public:
    using Exception::Exception;
};

// The ten standard string values, numbered as the index-taking lookups
// number them.
enum class VersionKey : std::uint8_t {
    kCompanyName,
    kFileDescription,
    kFileVersion,
    kInternalName,
    kLegalCopyright,
    kLegalTrademarks,
    kOriginalFilename,
    kProductName,
    kProductVersion,
    kComments,
};
inline constexpr VersionKey kVersionKeys[] = {
    VersionKey::kCompanyName,    VersionKey::kFileDescription, VersionKey::kFileVersion,      VersionKey::kInternalName,
    VersionKey::kLegalCopyright, VersionKey::kLegalTrademarks, VersionKey::kOriginalFilename, VersionKey::kProductName,
    VersionKey::kProductVersion, VersionKey::kComments,
};

class TVerInfoRes {
public:
    static constexpr int kKeyCount = static_cast<int>(VersionKey::kComments) + 1;
    // The key's name by index (see VersionKey); null past the last.
    static const char* KeyName(std::uint8_t index);
    static const char* KeyName(VersionKey key) { return KeyName(static_cast<std::uint8_t>(key)); }

    explicit TVerInfoRes(const std::string& FileName, const VersionLibrary& library = SystemVersionLibrary());
    ~TVerInfoRes();
    TVerInfoRes(const TVerInfoRes&) = delete;
    TVerInfoRes& operator=(const TVerInfoRes&) = delete;

    // The string value at Index (0-9) under the first translation, up to its
    // first NUL; empty when it is missing. Never throws.
    std::string GetVersionString(std::uint8_t Index) const;
    std::string GetVersionString(VersionKey key) const { return GetVersionString(static_cast<std::uint8_t>(key)); }

    // The first translation entry as one value: language in the low 16 bits,
    // code page in the high 16 bits.
    std::uint32_t GetTranslation() const;

    const std::string& GetFileName() const { return FileName; }

private:
    void LoadVersionBlock();
    void LoadFixedInfo();
    // The text at value, up to its first NUL or the end of the block.
    std::string TextAt(const void* value) const;
    // Whether [value, value + length) lies inside the block.
    bool InBlock(const void* value, std::size_t length) const;

    std::uint32_t InfoHandle = 0;
    std::int32_t InfoSize = 0;
    std::unique_ptr<std::byte[]> InfoBlock;
    const std::byte* Translation = nullptr;
    const std::byte* FixedInfo = nullptr;
    std::string FileName;
    const VersionLibrary& library_;
};

}  // namespace corvanta
