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

class TVerInfoRes {
public:
    static constexpr int kKeyCount = 10;
    // Key names by index: 0 CompanyName, 1 FileDescription, 2 FileVersion,
    // 3 InternalName, 4 LegalCopyright, 5 LegalTrademarks, 6 OriginalFilename,
    // 7 ProductName, 8 ProductVersion, 9 Comments.
    static const char* KeyName(std::uint8_t index);

    explicit TVerInfoRes(const std::string& FileName,
                         const VersionLibrary& library = SystemVersionLibrary());
    ~TVerInfoRes();
    TVerInfoRes(const TVerInfoRes&) = delete;
    TVerInfoRes& operator=(const TVerInfoRes&) = delete;

    // The string value at Index (0-9) under the first translation, up to its
    // first NUL; empty when it is missing. Never throws.
    std::string GetVersionString(std::uint8_t Index) const;

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
