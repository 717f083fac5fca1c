// The machine's registry through advapi32, call for call: ANSI functions, but
// the wide ones for subkey names, which the ANSI view cannot always spell.
#include <windows.h>

#include "software/registry_api.h"

namespace corvanta {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

// The portable code spells these without windows.h; they must be Windows' own.
// (The root keys are pointer casts, which no constant expression can compare;
// advapi32 reads only their low 32 bits, which kHKey* hold.)
static_assert(reg::kKeyRead == KEY_READ);
static_assert(reg::kKeyWow64_64Key == KEY_WOW64_64KEY);
static_assert(reg::kKeyWow64_32Key == KEY_WOW64_32KEY);
static_assert(reg::kRegSz == REG_SZ);
static_assert(reg::kRegExpandSz == REG_EXPAND_SZ);
static_assert(reg::kRegDword == REG_DWORD);
static_assert(reg::kSuccess == ERROR_SUCCESS);
static_assert(reg::kFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(reg::kAccessDenied == ERROR_ACCESS_DENIED);
static_assert(reg::kMoreData == ERROR_MORE_DATA);
static_assert(reg::kNoMoreItems == ERROR_NO_MORE_ITEMS);

HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }

class SystemRegistryApi final : public RegistryApi {
public:
    RegStatus OpenKey(RegKey root, const char* subkey, std::uint32_t access, RegKey* key) override {
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExA(ToHkey(root), subkey, 0, access, &opened);
        *key = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(opened) : 0;
        return status;
    }

    RegStatus OpenSubKey(RegKey parent, const char16_t* name, std::uint32_t access, RegKey* key) override {
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExW(ToHkey(parent), reinterpret_cast<const wchar_t*>(name), 0, access, &opened);
        *key = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(opened) : 0;
        return status;
    }

    void CloseKey(RegKey key) override { RegCloseKey(ToHkey(key)); }

    RegStatus QueryInfoKey(RegKey key, std::uint32_t* subkeys, std::uint32_t* max_name_length) override {
        DWORD count = 0;
        DWORD longest = 0;
        const LONG status = RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                                             nullptr, nullptr, nullptr, nullptr);
        *subkeys = count;
        *max_name_length = longest;
        return status;
    }

    RegStatus EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* length) override {
        DWORD size = *length;
        const LONG status = RegEnumKeyExW(ToHkey(key), index, reinterpret_cast<wchar_t*>(name), &size, nullptr, nullptr,
                                          nullptr, nullptr);
        *length = size;
        return status;
    }

    RegStatus QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                         std::uint32_t* size) override {
        DWORD value_type = 0;
        DWORD value_size = *size;
        const LONG status = RegQueryValueExA(ToHkey(key), name, nullptr, &value_type, data, &value_size);
        *type = value_type;
        *size = value_size;
        return status;
    }

    bool Has64BitView() override {
        if (sizeof(void*) == 8) return true;
        BOOL wow64 = FALSE;
        return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
    }
};

}  // namespace

std::unique_ptr<RegistryApi> CreateSystemRegistryApi() { return std::make_unique<SystemRegistryApi>(); }

}  // namespace corvanta
