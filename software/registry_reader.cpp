#include "software/registry_reader.h"

#include <algorithm>
#include <cstring>

namespace corvanta {
namespace {

// A value that keeps growing between the size query and the read is given
// this many chances before it counts as unreadable.
constexpr int kReadAttempts = 4;

bool IsText(std::uint32_t type) { return type == reg::kRegSz || type == reg::kRegExpandSz; }

[[noreturn]] void ThrowInvalidType(std::string_view name) {
    throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
}

[[noreturn]] void ThrowFailedToGet(std::string_view name) {
    throw ERegistryException("Failed to get data for '" + std::string(name) + "'");
}

}  // namespace

TRegistry::OwnedKey& TRegistry::OwnedKey::operator=(OwnedKey&& other) noexcept {
    if (this != &other) {
        if (key != 0) api->CloseKey(key);
        api = other.api;
        key = other.key;
        other.key = 0;
    }
    return *this;
}

TRegistry::OwnedKey::~OwnedKey() {
    if (key != 0) api->CloseKey(key);
}

TRegistry::TRegistry(RegistryApi& api, std::uint32_t access) : api_(api), access_(access) {}

bool TRegistry::OpenKey(std::string_view path) {
    if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
    const std::string relative(path);
    RegKey key = 0;
    if (api_.OpenKey(root_, relative.c_str(), access_, &key) != reg::kSuccess) return false;
    subkey_ = OwnedKey();
    key_ = OwnedKey(&api_, key);
    return true;
}

bool TRegistry::OpenSubKey(std::u16string_view name) {
    if (key_.key == 0) return false;
    const std::u16string terminated(name);
    RegKey key = 0;
    if (api_.OpenSubKey(key_.key, terminated.c_str(), access_, &key) != reg::kSuccess) return false;
    subkey_ = OwnedKey(&api_, key);
    return true;
}

std::vector<std::u16string> TRegistry::GetKeyNames() {
    std::vector<std::u16string> names;
    if (key_.key == 0) return names;
    std::uint32_t count = 0;
    std::uint32_t longest = 0;
    if (api_.QueryInfoKey(key_.key, &count, &longest) != reg::kSuccess) return names;
    // Registry key names are at most 255 characters; room for more costs nothing.
    std::vector<char16_t> buffer(std::max<std::uint32_t>(longest, 255) + 1);
    names.reserve(count);
    for (std::uint32_t index = 0; index < count; ++index) {
        auto length = static_cast<std::uint32_t>(buffer.size());
        // A key removed or renamed since the count was taken gives no usable
        // name at its index: that index is skipped.
        if (api_.EnumKey(key_.key, index, buffer.data(), &length) != reg::kSuccess) continue;
        names.emplace_back(buffer.data(), std::min<std::size_t>(length, buffer.size()));
    }
    return names;
}

std::string TRegistry::ReadString(std::string_view name) {
    const RegKey current = Current();
    if (current == 0) return {};
    const std::string value_name(name);
    std::vector<unsigned char> data;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        if (api_.QueryValue(current, value_name.c_str(), &type, nullptr, &size) != reg::kSuccess || size == 0)
            return {};
        data.assign(size, 0);
        std::uint32_t got = size;
        const RegStatus status = api_.QueryValue(current, value_name.c_str(), &type, data.data(), &got);
        if (status == reg::kMoreData) continue;  // it grew meanwhile: ask for the size again
        if (status != reg::kSuccess) ThrowFailedToGet(name);
        if (!IsText(type)) ThrowInvalidType(name);
        // Registry text need not end in NUL: stay within what was returned.
        const std::size_t length = std::min<std::size_t>(got, data.size());
        const auto* begin = reinterpret_cast<const char*>(data.data());
        return std::string(begin, strnlen(begin, length));
    }
    ThrowFailedToGet(name);
}

}  // namespace corvanta
