#pragma once
// Registry content that a Windows test puts into the throwaway Wine prefix
// and takes out again, and a registry that shows the test's own tree in
// place of the machine's uninstall key, so each test sees only its entries.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "software/registry_api.h"

namespace corvanta::testing {

enum class RegView : REGSAM { k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY };

// A key tree under HKEY_LOCAL_MACHINE in one registry view, deleted when the
// object goes.
class TestKeyTree {
public:
    TestKeyTree(std::string root, RegView view) : root_(std::move(root)), view_(view) { Delete(); }
    ~TestKeyTree() { Delete(); }
    TestKeyTree(const TestKeyTree&) = delete;
    TestKeyTree& operator=(const TestKeyTree&) = delete;

    const std::string& Root() const { return root_; }

    void SetValue(const std::string& subkey, const char* name, DWORD type, const void* data, DWORD size) const {
        HKEY key = nullptr;
        const std::string path = subkey.empty() ? root_ : root_ + "\\" + subkey;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | Sam(), nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create " + path);
        const LONG status = name ? RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size)
                                 : ERROR_SUCCESS;
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) throw std::runtime_error("cannot set a value in " + path);
    }
    void AddKey(const std::string& subkey) const { SetValue(subkey, nullptr, 0, nullptr, 0); }
    void SetString(const std::string& subkey, const char* name, std::string_view text, DWORD type = REG_SZ) const {
        const std::string with_nul = std::string(text) + '\0';
        SetValue(subkey, name, type, with_nul.data(), static_cast<DWORD>(with_nul.size()));
    }
    void SetDword(const std::string& subkey, const char* name, DWORD value) const {
        SetValue(subkey, name, REG_DWORD, &value, sizeof value);
    }

private:
    REGSAM Sam() const { return static_cast<REGSAM>(view_); }
    void Delete() const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, root_.c_str(), 0, KEY_ALL_ACCESS | Sam(), &key) == ERROR_SUCCESS) {
            RegDeleteTreeA(key, nullptr);
            RegCloseKey(key);
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, root_.c_str(), Sam(), 0);
        }
    }

    std::string root_;
    RegView view_;
};

// The machine's registry, with the uninstall key's path mapped to `root`.
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
    void CloseKey(RegKey key) override { real_->CloseKey(key); }
    RegStatus QueryInfoKey(RegKey key, std::uint32_t* subkeys, std::uint32_t* longest) override {
        return real_->QueryInfoKey(key, subkeys, longest);
    }
    RegStatus EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* length) override {
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

}  // namespace corvanta::testing
