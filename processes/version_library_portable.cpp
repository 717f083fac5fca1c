// The three version-library operations without Windows: the resource is
// read straight from the PE file and queried in memory.
#include <span>

#include "processes/pe_version_resource.h"
#include "processes/version_block.h"
#include "processes/version_library.h"

namespace corvanta {
namespace {

class PortableLibrary final : public VersionLibrary {
public:
    std::uint32_t SizeQuery(const std::string& file_name, std::uint32_t* handle) const override {
        if (handle != nullptr) *handle = 0;
        FileSource file(file_name);
        if (!file.IsOpen()) return 0;
        const auto size = FindVersionResourceSize(file);
        return size ? VersionBufferSize(*size) : 0;
    }

    bool BlockRead(const std::string& file_name, std::uint32_t /*handle*/, std::uint32_t size,
                   void* buffer) const override {
        if (buffer == nullptr) return false;
        FileSource file(file_name);
        if (!file.IsOpen()) return false;
        const std::span<std::byte> out(static_cast<std::byte*>(buffer), size);
        // Only the first half holds the resource; the rest is the room for
        // converted strings (see version_block.h).
        const std::size_t raw_room = size >= 4 ? (size - 4) / 2 : 0;
        const auto copied = ReadVersionResource(file, out.first(raw_room));
        if (!copied) return false;
        PrepareVersionBlock(out, *copied);
        return true;
    }

    bool ValueQuery(const void* block, const std::string& sub_block, const void** value,
                    std::uint32_t* length) const override {
        const void* found = nullptr;
        std::uint32_t found_length = 0;
        if (!QueryVersionBlock(static_cast<const std::byte*>(block), sub_block, &found, &found_length)) {
            return false;
        }
        if (value != nullptr) *value = found;
        if (length != nullptr) *length = found_length;
        return true;
    }
};

}  // namespace

const VersionLibrary& PortableVersionLibrary() {
    static const PortableLibrary library;
    return library;
}

}  // namespace corvanta
