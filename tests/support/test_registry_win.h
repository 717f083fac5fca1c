#pragma once
// Registry content a Windows test puts into the throwaway Wine prefix and
// takes out again however the test ends: key trees the test owns, in either
// view of HKEY_LOCAL_MACHINE or in HKEY_CURRENT_USER, and single values of
// the prefix's own keys, changed for a test and put back. Every key is held
// by an owner that closes it.
#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/unique_handle.h"

namespace corvanta::test {

struct RegKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type key) { RegCloseKey(key); }
};
using UniqueRegKey = UniqueHandle<RegKeyTraits>;

// Where a test key tree lives: the 64-bit or the 32-bit view of
// HKEY_LOCAL_MACHINE, the test program's own view of it, or
// HKEY_CURRENT_USER, whose one view 32- and 64-bit programs share.
enum class RegView { k64, k32, kOwn, kCurrentUser };

inline HKEY HiveOf(RegView view) { return view == RegView::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
inline REGSAM ViewAccess(RegView view) {
    return view == RegView::k64 ? KEY_WOW64_64KEY : view == RegView::k32 ? KEY_WOW64_32KEY : 0;
}

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

// A key tree in one registry view, deleted when the object goes (and before
// it is made, should an earlier run have left it behind).
class TestKeyTree {
public:
    TestKeyTree(std::string root, RegView view) : root_(std::move(root)), view_(view) { Delete(); }
    ~TestKeyTree() { Delete(); }
    TestKeyTree(const TestKeyTree&) = delete;
    TestKeyTree& operator=(const TestKeyTree&) = delete;

    const std::string& Root() const { return root_; }

    void SetValue(const SubkeyName& subkey, const char* name, DWORD type, const void* data, DWORD size) const {
        UniqueRegKey key;
        const std::wstring root = SubkeyName(root_).wide;
        const std::wstring path = subkey.wide.empty() ? root : root + L"\\" + subkey.wide;
        if (RegCreateKeyExW(HiveOf(view_), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | ViewAccess(view_), nullptr,
                            key.put(), nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create a key below " + root_);
        if (name && RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
            throw std::runtime_error("cannot set a value below " + root_);
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
    void Delete() const {
        const HKEY hive = HiveOf(view_);
        const REGSAM view = ViewAccess(view_);
        UniqueRegKey key;
        if (RegOpenKeyExA(hive, root_.c_str(), 0, KEY_ALL_ACCESS | view, key.put()) == ERROR_SUCCESS) {
            RegDeleteTreeA(key.get(), nullptr);
            key.reset();
            RegDeleteKeyExA(hive, root_.c_str(), view, 0);
        }
    }

    std::string root_;
    RegView view_;
};

// One value of an existing key, set for a test and put back as it was (or
// removed, when there was none) when the object goes.
class TemporaryRegValue {
public:
    TemporaryRegValue(HKEY hive, const char* path, const char* name, DWORD type, const void* data, DWORD size)
        : name_(name ? name : "") {
        if (RegOpenKeyExA(hive, path, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key_.put()) != ERROR_SUCCESS)
            throw std::runtime_error(std::string("cannot open ") + path);
        DWORD old_size = 0;
        if (RegQueryValueExA(key_.get(), Name(), nullptr, &old_type_, nullptr, &old_size) == ERROR_SUCCESS) {
            old_.resize(old_size);
            had_value_ =
                RegQueryValueExA(key_.get(), Name(), nullptr, &old_type_, old_.data(), &old_size) == ERROR_SUCCESS;
            old_.resize(old_size);
        }
        if (RegSetValueExA(key_.get(), Name(), 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
            throw std::runtime_error(std::string("cannot set a value of ") + path);
    }
    TemporaryRegValue(HKEY hive, const char* path, const char* name, const char* text)
        : TemporaryRegValue(hive, path, name, REG_SZ, text, static_cast<DWORD>(std::string_view(text).size() + 1)) {}
    TemporaryRegValue(HKEY hive, const char* path, const char* name, DWORD value)
        : TemporaryRegValue(hive, path, name, REG_DWORD, &value, sizeof value) {}
    ~TemporaryRegValue() {
        if (had_value_)
            RegSetValueExA(key_.get(), Name(), 0, old_type_, old_.data(), static_cast<DWORD>(old_.size()));
        else
            RegDeleteValueA(key_.get(), Name());
    }
    TemporaryRegValue(const TemporaryRegValue&) = delete;
    TemporaryRegValue& operator=(const TemporaryRegValue&) = delete;

private:
    // The key's default value has no name.
    const char* Name() const { return name_.empty() ? nullptr : name_.c_str(); }

    UniqueRegKey key_;
    std::string name_;
    bool had_value_ = false;
    DWORD old_type_ = REG_NONE;
    std::vector<BYTE> old_;
};

}  // namespace corvanta::test
