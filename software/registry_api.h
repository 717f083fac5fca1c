#pragma once
// The advapi32 calls the uninstall-key scan needs, raw, so that every rule
// built on them (views, retries, types, NUL cutting) is portable and tested on
// the host over a fake. The Windows implementation forwards each call.
// Paths and value names are ANSI; subkey names are listed and opened as UTF-16,
// since the ANSI view of a name loses every character outside the code page.
#include <cstdint>
#include <memory>

namespace corvanta {

using RegKey = std::uintptr_t;  // an HKEY's value
using RegStatus = long;         // a Win32 error code

namespace reg {
constexpr RegKey kHKeyCurrentUser = 0x80000001;
constexpr RegKey kHKeyLocalMachine = 0x80000002;
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyWow64_64Key = 0x0100;
constexpr std::uint32_t kKeyWow64_32Key = 0x0200;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegDword = 4;
constexpr RegStatus kSuccess = 0;
constexpr RegStatus kFileNotFound = 2;
constexpr RegStatus kAccessDenied = 5;
constexpr RegStatus kMoreData = 234;
constexpr RegStatus kNoMoreItems = 259;
}  // namespace reg

class RegistryApi {
public:
    virtual ~RegistryApi() = default;
    // RegOpenKeyExA(root, subkey, 0, access, &key)
    virtual RegStatus OpenKey(RegKey root, const char* subkey, std::uint32_t access, RegKey* key) = 0;
    // RegOpenKeyExW(parent, name, 0, access, &key): one subkey of an open key by its UTF-16 name
    virtual RegStatus OpenSubKey(RegKey parent, const char16_t* name, std::uint32_t access, RegKey* key) = 0;
    // RegCloseKey
    virtual void CloseKey(RegKey key) = 0;
    // RegQueryInfoKeyA: the number of subkeys and the longest subkey name (UTF-16 units, without NUL)
    virtual RegStatus QueryInfoKey(RegKey key, std::uint32_t* subkeys, std::uint32_t* max_name_length) = 0;
    // RegEnumKeyExW: `length` in, buffer size in UTF-16 units; out, the name's length without NUL
    virtual RegStatus EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* length) = 0;
    // RegQueryValueExA; data may be null to ask for type and size only
    virtual RegStatus QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                                 std::uint32_t* size) = 0;
    // True where a 32-bit view and a 64-bit view of the registry both exist.
    virtual bool Has64BitView() = 0;
};

// The machine's own registry (Windows build only).
std::unique_ptr<RegistryApi> CreateSystemRegistryApi();

}  // namespace corvanta
