#pragma once
// The error a failed WMI or COM call becomes: the call's result code and,
// where the callee left an error object, what that object says.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "common/exception.h"

namespace corvanta {

// Result codes (HRESULT) that the WMI code and its tests name.
namespace hresult {
constexpr std::int32_t kOk = 0;
constexpr std::int32_t kFalse = 1;
constexpr std::int32_t kNoInterface = static_cast<std::int32_t>(0x80004002);   // E_NOINTERFACE
constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);          // E_FAIL
constexpr std::int32_t kOutOfMemory = static_cast<std::int32_t>(0x8007000E);   // E_OUTOFMEMORY
constexpr std::int32_t kTypeMismatch = static_cast<std::int32_t>(0x80020005);  // DISP_E_TYPEMISMATCH
constexpr std::int32_t kWbemFailed = static_cast<std::int32_t>(0x80041001);    // WBEM_E_FAILED
constexpr std::int32_t kWbemNotFound = static_cast<std::int32_t>(0x80041002);  // WBEM_E_NOT_FOUND
constexpr std::int32_t kWbemInvalidNamespace = static_cast<std::int32_t>(0x8004100E);
constexpr std::int32_t kWbemInvalidQuery = static_cast<std::int32_t>(0x80041017);
constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x80040154);  // REGDB_E_CLASSNOTREG
}  // namespace hresult

// What an error object (IErrorInfo) said, in 8-bit text.
struct ErrorObjectInfo {
    std::string description;
    std::string source;
    std::string help_file;
    std::uint32_t help_context = 0;
};

class EWmiError : public Exception {
public:
    explicit EWmiError(std::int32_t code, ErrorObjectInfo info = {})
        : Exception(MessageFor(code, info.description)), code_(code), info_(std::move(info)) {}

    std::int32_t Code() const noexcept { return code_; }
    const std::string& Description() const noexcept { return info_.description; }
    const std::string& Source() const noexcept { return info_.source; }
    const std::string& HelpFile() const noexcept { return info_.help_file; }
    std::uint32_t HelpContext() const noexcept { return info_.help_context; }

private:
    static std::string MessageFor(std::int32_t code, const std::string& description) {
        if (!description.empty()) return description;
        char text[48];
        std::snprintf(text, sizeof text, "WMI call failed with code 0x%08X", static_cast<unsigned>(code));
        return text;
    }

    std::int32_t code_;
    ErrorObjectInfo info_;
};

}  // namespace corvanta
