#pragma once
// An in-memory registry with a 32-bit and a 64-bit view, the advapi32 call
// semantics the scan relies on, failure injection and a record of what was
// asked, for host tests of the registry reader and the uninstall-key scan.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "software/registry_api.h"

namespace corvanta::testing {

class FakeRegistry final : public RegistryApi {
public:
    enum class View { k32, k64 };

    explicit FakeRegistry(bool has_64bit_view = false) : has_64bit_view_(has_64bit_view) {}

    void AddKey(View view, const std::string& path) {
        std::string so_far;
        for (const std::string& part : Split(path)) {
            const std::string parent = so_far;
            so_far = so_far.empty() ? part : so_far + "\\" + part;
            Key& key = keys_[{view, Lower(so_far)}];
            Key& parent_key = keys_[{view, Lower(parent)}];
            if (key.name.empty()) {
                key.name = part;
                parent_key.children.push_back(part);
            }
        }
    }

    void SetValue(View view, const std::string& path, const std::string& name, std::uint32_t type,
                  std::string bytes) {
        AddKey(view, path);
        keys_[{view, Lower(path)}].values[Lower(name)] = Value{type, std::move(bytes)};
    }

    // A text value as the registry stores it, with its terminating NUL.
    void SetString(View view, const std::string& path, const std::string& name, const std::string& text,
                   std::uint32_t type = reg::kRegSz) {
        SetValue(view, path, name, type, text + std::string(1, '\0'));
    }

    // Failure injection.
    std::set<std::string> deny_open;           // lower-case paths that cannot be opened
    bool fail_query_info = false;              // RegQueryInfoKeyA fails
    std::set<std::uint32_t> fail_enum_index;   // RegEnumKeyExA fails at these indexes
    std::set<std::string> fail_data_read;      // values (by name) whose data read fails
    std::map<std::string, int> grow_on_read;   // values that grow this many times between size and read

    // What was asked.
    std::vector<std::uint32_t> open_access;    // access masks of every open
    std::vector<std::string> values_queried;   // value names, once per read
    int OpenHandles() const { return static_cast<int>(handles_.size()); }

    RegStatus OpenKey(RegKey root, const char* subkey, std::uint32_t access, RegKey* key) override {
        open_access.push_back(access);
        *key = 0;
        if (root != reg::kHKeyLocalMachine) return reg::kFileNotFound;
        const std::string path = Lower(subkey);
        if (deny_open.count(path)) return reg::kAccessDenied;
        const View view = ViewFor(access);
        if (!keys_.count({view, path})) return reg::kFileNotFound;
        *key = next_handle_++;
        handles_[*key] = {view, path};
        return reg::kSuccess;
    }

    void CloseKey(RegKey key) override {
        if (!handles_.erase(key)) ++bad_closes;
    }

    RegStatus QueryInfoKey(RegKey key, std::uint32_t* subkeys, std::uint32_t* max_name_length) override {
        const Key* k = Find(key);
        if (!k || fail_query_info) return reg::kAccessDenied;
        *subkeys = static_cast<std::uint32_t>(k->children.size());
        std::size_t longest = 0;
        for (const std::string& child : k->children) longest = std::max(longest, child.size());
        *max_name_length = static_cast<std::uint32_t>(longest);
        return reg::kSuccess;
    }

    RegStatus EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* length) override {
        const Key* k = Find(key);
        if (!k) return reg::kAccessDenied;
        if (index >= k->children.size()) return reg::kNoMoreItems;
        if (fail_enum_index.count(index)) return reg::kAccessDenied;
        const std::string& child = k->children[index];
        if (child.size() + 1 > *length) return reg::kMoreData;
        std::memcpy(name, child.c_str(), child.size() + 1);
        *length = static_cast<std::uint32_t>(child.size());
        return reg::kSuccess;
    }

    RegStatus QueryValue(RegKey key, const char* name, std::uint32_t* type, unsigned char* data,
                         std::uint32_t* size) override {
        Key* k = Find(key);
        if (!k) return reg::kAccessDenied;
        auto it = k->values.find(Lower(name));
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
        std::string name;
        std::vector<std::string> children;  // in enumeration order
        std::map<std::string, Value> values;
    };

    static std::string Lower(std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }
    static std::vector<std::string> Split(const std::string& path) {
        std::vector<std::string> parts;
        std::string part;
        for (char c : path) {
            if (c == '\\') {
                if (!part.empty()) parts.push_back(part);
                part.clear();
            } else {
                part += c;
            }
        }
        if (!part.empty()) parts.push_back(part);
        return parts;
    }
    View ViewFor(std::uint32_t access) const {
        if (has_64bit_view_ && (access & reg::kKeyWow64_64Key)) return View::k64;
        return View::k32;  // a 32-bit program's own view
    }
    Key* Find(RegKey key) {
        auto it = handles_.find(key);
        if (it == handles_.end()) return nullptr;
        auto k = keys_.find(it->second);
        return k == keys_.end() ? nullptr : &k->second;
    }

    bool has_64bit_view_;
    std::map<std::pair<View, std::string>, Key> keys_;
    std::map<RegKey, std::pair<View, std::string>> handles_;
    RegKey next_handle_ = 0x1000;
};

}  // namespace corvanta::testing
