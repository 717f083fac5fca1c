#pragma once
// The machine's registry as the uninstall scan sees it, but with the test's
// own key tree in place of the uninstall key, so each test sees only its
// entries.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "software/registry_api.h"

namespace corvanta::test {

// The machine's registry, with the uninstall key's path mapped to `root`
// below whichever root key it is opened from.
class RedirectedRegistryApi final : public RegistryApi {
public:
    explicit RedirectedRegistryApi(std::string root) : real_(CreateSystemRegistryApi()), root_(std::move(root)) {}

    RegStatus OpenKey(RegKey root, const char* subkey, std::uint32_t access, RegKey* key) override {
        static constexpr std::string_view kUninstall = "software\\microsoft\\windows\\currentVersion\\uninstall";
        std::string path = subkey;
        if (path.size() >= kUninstall.size() && _strnicmp(path.c_str(), kUninstall.data(), kUninstall.size()) == 0)
            path = root_ + path.substr(kUninstall.size());
        return real_->OpenKey(root, path.c_str(), access, key);
    }
    RegStatus OpenSubKey(RegKey parent, const char16_t* name, std::uint32_t access, RegKey* key) override {
        return real_->OpenSubKey(parent, name, access, key);
    }
    void CloseKey(RegKey key) override { real_->CloseKey(key); }
    RegStatus QueryInfoKey(RegKey key, std::uint32_t* subkeys, std::uint32_t* longest) override {
        return real_->QueryInfoKey(key, subkeys, longest);
    }
    RegStatus EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* length) override {
        return real_->EnumKey(key, index, name, length);
    }
    RegStatus QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                         std::uint32_t* size) override {
        return real_->QueryValue(key, name, type, data, size);
    }
    bool Has64BitView() override { return real_->Has64BitView(); }

private:
    std::unique_ptr<RegistryApi> real_;
    std::string root_;
};

}  // namespace corvanta::test
