#pragma once
// Registry content that a Windows test puts into the throwaway Wine prefix
// and takes out again, and a registry that shows the test's own tree in
// place of the machine's uninstall key, so each test sees only its entries.
#include <windows.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "software/registry_api.h"

namespace corvanta::testing {

// Where a test key tree lives: one view of HKEY_LOCAL_MACHINE, or
// HKEY_CURRENT_USER, whose one view 32- and 64-bit programs share.
enum class RegView : REGSAM { k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY, kCurrentUser = 0 };

// A subkey's name below a tree's root: 8-bit text in the ANSI code page, or
// UTF-16 for names the code page cannot spell.
struct SubkeyName {
    SubkeyName(const char* text) : SubkeyName(std::string(text)) {}
    SubkeyName(const std::string& text) {
        if (text.empty()) return;
        wide.resize(text.size());
        wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                                                 wide.data(), static_cast<int>(wide.size()))));
    }
    SubkeyName(const wchar_t* text) : wide(text) {}
    SubkeyName(std::wstring text) : wide(std::move(text)) {}
    std::wstring wide;
};

// A key tree in one registry view, deleted when the object goes.
class TestKeyTree {
public:
    TestKeyTree(std::string root, RegView view) : root_(std::move(root)), view_(view) { Delete(); }
    ~TestKeyTree() { Delete(); }
    TestKeyTree(const TestKeyTree&) = delete;
    TestKeyTree& operator=(const TestKeyTree&) = delete;

    const std::string& Root() const { return root_; }

    void SetValue(const SubkeyName& subkey, const char* name, DWORD type, const void* data, DWORD size) const {
        HKEY key = nullptr;
        const std::wstring root = SubkeyName(root_).wide;
        const std::wstring path = subkey.wide.empty() ? root : root + L"\\" + subkey.wide;
        if (RegCreateKeyExW(Hive(), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | Sam(), nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            throw std::runtime_error("cannot create a key below " + root_);
        const LONG status = name ? RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size)
                                 : ERROR_SUCCESS;
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) throw std::runtime_error("cannot set a value below " + root_);
    }
    void AddKey(const SubkeyName& subkey) const { SetValue(subkey, nullptr, 0, nullptr, 0); }
    void SetString(const SubkeyName& subkey, const char* name, std::string_view text, DWORD type = REG_SZ) const {
        const std::string with_nul = std::string(text) + '\0';
        SetValue(subkey, name, type, with_nul.data(), static_cast<DWORD>(with_nul.size()));
    }
    void SetDword(const SubkeyName& subkey, const char* name, DWORD value) const {
        SetValue(subkey, name, REG_DWORD, &value, sizeof value);
    }

private:
    HKEY Hive() const { return view_ == RegView::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
    REGSAM Sam() const { return static_cast<REGSAM>(view_); }
    void Delete() const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(Hive(), root_.c_str(), 0, KEY_ALL_ACCESS | Sam(), &key) == ERROR_SUCCESS) {
            RegDeleteTreeA(key, nullptr);
            RegCloseKey(key);
            RegDeleteKeyExA(Hive(), root_.c_str(), Sam(), 0);
        }
    }

    std::string root_;
    RegView view_;
};

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

}  // namespace corvanta::testing
