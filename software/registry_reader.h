#pragma once
// The registry reader one scan run owns: a root, an access mask and one
// current key. Opening a key closes the one that was current; destroying the
// reader closes the last one.
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
    bool HasCurrentKey() const { return current_.key != 0; }

    // Opens a path below the root (a leading backslash is dropped). Never
    // creates a key. On failure the current key stays as it was.
    bool OpenKey(std::string_view path);
    // The current key's subkey names in enumeration order; empty without a
    // current key or when the key cannot be queried.
    std::vector<std::string> GetKeyNames();
    // A text value up to its first NUL; empty when missing or of size 0.
    // Raises ERegistryException for data of a non-text type, or when the
    // data cannot be fetched after its size was taken.
    std::string ReadString(std::string_view name);

private:
    // The current key, closed when replaced or when the reader goes.
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

    RegistryApi& api_;
    std::uint32_t access_;
    RegKey root_ = reg::kHKeyLocalMachine;
    OwnedKey current_;
};

}  // namespace corvanta
