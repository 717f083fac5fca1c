#pragma once
// The registry reader one scan run owns: a root, an access mask, a key opened
// by its path, and at most one of that key's subkeys, opened relative to it by
// its UTF-16 name. The current key is the subkey while one is open, else the
// key. Opening a key closes what was open before; destroying the reader
// closes what is still open.
#include <string>
#include <string_view>
#include <vector>

#include "common/exception.h"
#include "software/registry_api.h"

namespace corvanta {

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class TRegistry {
public:
    TRegistry(RegistryApi& api, std::uint32_t access);
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;
    ~TRegistry() = default;

    void SetRootKey(RegKey root) { root_ = root; }
    std::uint32_t Access() const { return access_; }
    bool HasCurrentKey() const { return Current() != 0; }

    // Opens a path below the root (a leading backslash is dropped). Never
    // creates a key. On success the subkey and the key open before are
    // closed; on failure both stay as they were.
    bool OpenKey(std::string_view path);
    // The names of the subkeys of the key OpenKey opened, in enumeration
    // order; empty without such a key or when it cannot be queried.
    std::vector<std::u16string> GetKeyNames();
    // Opens one of those subkeys relative to the key, which stays open, so
    // that any name is reached however long it is or whatever it holds. On
    // success the subkey open before is closed; on failure it stays current.
    bool OpenSubKey(std::u16string_view name);
    // A text value up to its first NUL; empty when missing or of size 0.
    // Raises ERegistryException for data of a non-text type, or when the
    // data cannot be fetched after its size was taken.
    std::string ReadString(std::string_view name);

private:
    // An open key, closed when replaced or when the reader goes.
    struct OwnedKey {
        RegistryApi* api = nullptr;
        RegKey key = 0;
        OwnedKey() = default;
        OwnedKey(RegistryApi* owner, RegKey value) : api(owner), key(value) {}
        OwnedKey(OwnedKey&& other) noexcept : api(other.api), key(other.key) { other.key = 0; }
        OwnedKey& operator=(OwnedKey&& other) noexcept;
        OwnedKey(const OwnedKey&) = delete;
        OwnedKey& operator=(const OwnedKey&) = delete;
        ~OwnedKey();
    };

    RegKey Current() const { return subkey_.key != 0 ? subkey_.key : key_.key; }

    RegistryApi& api_;
    std::uint32_t access_;
    RegKey root_ = reg::kHKeyLocalMachine;
    OwnedKey key_;
    OwnedKey subkey_;  // declared after key_: closed before its parent
};

}  // namespace corvanta
