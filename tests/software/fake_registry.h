#pragma once
// An in-memory registry with a 32-bit and a 64-bit view of HKEY_LOCAL_MACHINE
// and one view of HKEY_CURRENT_USER, the advapi32 call semantics the scan
// relies on, failure injection and a record of what was asked, for host tests
// of the registry reader and the uninstall-key scan.
//
// Key names are UTF-16, as the registry stores them. The ANSI functions see
// them as Windows does on an English system: each unit through Windows-1252,
// '?' where the code page has no character, and a path given to an ANSI open
// is cut at 260 characters.
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/ansi_text.h"
#include "software/registry_api.h"

namespace corvanta::test {

class FakeRegistry final : public RegistryApi {
public:
    enum class View { k32, k64, kCurrentUser };

    // A key path, given as 8-bit text (Windows-1252) or as UTF-16.
    struct Path {
        Path(const char* text) : Path(std::string(text)) {}
        Path(const std::string& text) {
            for (char c : text) wide += Char1252ToWide(static_cast<unsigned char>(c));
        }
        Path(const char16_t* text) : wide(text) {}
        Path(std::u16string text) : wide(std::move(text)) {}
        std::u16string wide;
    };

    // How long a path the ANSI functions convert; longer ones are cut.
    static constexpr std::size_t kAnsiPathLimit = 260;

    explicit FakeRegistry(bool has_64bit_view = false) : has_64bit_view_(has_64bit_view) {}

    void AddKey(View view, const Path& path) {
        std::u16string so_far;
        for (const std::u16string& part : Split(path.wide)) {
            const std::u16string parent = so_far;
            so_far = so_far.empty() ? part : so_far + u"\\" + part;
            Key& key = keys_[{view, Lower(so_far)}];
            Key& parent_key = keys_[{view, Lower(parent)}];
            if (key.name.empty()) {
                key.name = part;
                parent_key.children.push_back(part);
            }
        }
    }

    void SetValue(View view, const Path& path, const std::string& name, std::uint32_t type, std::string bytes) {
        AddKey(view, path);
        keys_[{view, Lower(path.wide)}].values[LowerAnsi(name)] = Value{type, std::move(bytes)};
    }

    // A text value as the registry stores it, with its terminating NUL.
    void SetString(View view, const Path& path, const std::string& name, const std::string& text,
                   std::uint32_t type = reg::kRegSz) {
        SetValue(view, path, name, type, text + std::string(1, '\0'));
    }

    // What RegEnumKeyExA hands back for a subkey's name: the ANSI spelling,
    // which may no longer name the key.
    RegStatus EnumKeyAnsi(RegKey key, std::uint32_t index, std::string* name) {
        std::u16string wide(256, u'\0');
        auto length = static_cast<std::uint32_t>(wide.size());
        const RegStatus status = EnumKey(key, index, wide.data(), &length);
        if (status == reg::kSuccess) {
            name->clear();
            for (char16_t unit : wide.substr(0, length)) *name += WideCharTo1252(unit);
        }
        return status;
    }

    // Failure injection.
    std::set<std::string> deny_open;          // lower-case paths that cannot be opened
    bool fail_query_info = false;             // RegQueryInfoKeyA fails
    std::set<std::uint32_t> fail_enum_index;  // RegEnumKeyExW fails at these indexes
    std::set<std::string> fail_data_read;     // values (by name) whose data read fails
    std::map<std::string, int> grow_on_read;  // values that grow this many times between size and read

    // What was asked.
    std::vector<std::uint32_t> open_access;   // access masks of every open
    std::vector<RegKey> open_roots;           // the key each open starts from: a root or an open key
    std::vector<std::string> values_queried;  // value names, once per read
    int OpenHandles() const { return static_cast<int>(handles_.size()); }

    RegStatus OpenKey(RegKey root, const char* subkey, std::uint32_t access, RegKey* key) override {
        std::string path = subkey;
        if (path.size() > kAnsiPathLimit) path.resize(kAnsiPathLimit);
        return Open(root, Path(path).wide, access, key);
    }

    RegStatus OpenSubKey(RegKey parent, const char16_t* name, std::uint32_t access, RegKey* key) override {
        return Open(parent, name, access, key);
    }

    void CloseKey(RegKey key) override {
        if (!handles_.erase(key)) ++bad_closes;
    }

    RegStatus QueryInfoKey(RegKey key, std::uint32_t* subkeys, std::uint32_t* max_name_length) override {
        const Key* k = Find(key);
        if (!k || fail_query_info) return reg::kAccessDenied;
        *subkeys = static_cast<std::uint32_t>(k->children.size());
        std::size_t longest = 0;
        for (const std::u16string& child : k->children) longest = std::max(longest, child.size());
        *max_name_length = static_cast<std::uint32_t>(longest);
        return reg::kSuccess;
    }

    RegStatus EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* length) override {
        const Key* k = Find(key);
        if (!k) return reg::kAccessDenied;
        if (index >= k->children.size()) return reg::kNoMoreItems;
        if (fail_enum_index.count(index)) return reg::kAccessDenied;
        const std::u16string& child = k->children[index];
        if (child.size() + 1 > *length) return reg::kMoreData;
        std::copy(child.c_str(), child.c_str() + child.size() + 1, name);
        *length = static_cast<std::uint32_t>(child.size());
        return reg::kSuccess;
    }

    RegStatus QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                         std::uint32_t* size) override {
        Key* k = Find(key);
        if (!k) return reg::kAccessDenied;
        auto it = k->values.find(LowerAnsi(name));
        if (it == k->values.end()) return reg::kFileNotFound;
        Value& value = it->second;
        if (data) {
            values_queried.push_back(name);
            if (fail_data_read.count(name)) return reg::kAccessDenied;
            auto grow = grow_on_read.find(name);
            if (grow != grow_on_read.end() && grow->second > 0) {
                --grow->second;
                value.bytes.insert(0, "+");
            }
        }
        *type = value.type;
        const auto needed = static_cast<std::uint32_t>(value.bytes.size());
        if (!data) {
            *size = needed;
            return reg::kSuccess;
        }
        if (needed > *size) {
            *size = needed;
            return reg::kMoreData;
        }
        std::memcpy(data, value.bytes.data(), needed);
        *size = needed;
        return reg::kSuccess;
    }

    bool Has64BitView() override { return has_64bit_view_; }

    int bad_closes = 0;

private:
    struct Value {
        std::uint32_t type = 0;
        std::string bytes;
    };
    struct Key {
        std::u16string name;
        std::vector<std::u16string> children;  // in enumeration order
        std::map<std::string, Value> values;
    };
    using Location = std::pair<View, std::u16string>;  // a view and a lower-case path

    // Names match without regard to the case of ASCII letters.
    static std::u16string Lower(std::u16string text) {
        for (char16_t& c : text)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        return text;
    }
    static std::string LowerAnsi(std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return text;
    }
    static std::vector<std::u16string> Split(const std::u16string& path) {
        std::vector<std::u16string> parts;
        std::u16string part;
        for (char16_t c : path) {
            if (c == u'\\') {
                if (!part.empty()) parts.push_back(part);
                part.clear();
            } else {
                part += c;
            }
        }
        if (!part.empty()) parts.push_back(part);
        return parts;
    }

    // Opens `subkey` below a root key or below an open key (as RegOpenKeyEx
    // does with either); the view is the access mask's for HKEY_LOCAL_MACHINE
    // and the parent's for an open key.
    RegStatus Open(RegKey root, const std::u16string& subkey, std::uint32_t access, RegKey* key) {
        open_access.push_back(access);
        open_roots.push_back(root);
        *key = 0;
        Location at;
        if (root == reg::kHKeyLocalMachine) {
            at.first = has_64bit_view_ && (access & reg::kKeyWow64_64Key) ? View::k64 : View::k32;
        } else if (root == reg::kHKeyCurrentUser) {
            at.first = View::kCurrentUser;
        } else {
            auto parent = handles_.find(root);
            if (parent == handles_.end()) return reg::kAccessDenied;  // not an open key
            at = parent->second;
        }
        // Within a path each backslash separates two names; a leading one is
        // not part of a relative path.
        if (!subkey.empty() && subkey.front() == u'\\') return reg::kFileNotFound;
        at.second = Lower(at.second.empty() ? subkey : at.second + u"\\" + subkey);
        for (const std::string& denied : deny_open)
            if (Path(denied).wide == at.second) return reg::kAccessDenied;
        if (!keys_.count(at)) return reg::kFileNotFound;
        *key = next_handle_++;
        handles_[*key] = at;
        return reg::kSuccess;
    }

    Key* Find(RegKey key) {
        auto it = handles_.find(key);
        if (it == handles_.end()) return nullptr;
        auto k = keys_.find(it->second);
        return k == keys_.end() ? nullptr : &k->second;
    }

    bool has_64bit_view_;
    std::map<Location, Key> keys_;
    std::map<RegKey, Location> handles_;
    RegKey next_handle_ = 0x1000;
};

}  // namespace corvanta::test
