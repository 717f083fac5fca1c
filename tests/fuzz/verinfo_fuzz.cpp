// libFuzzer target for the portable version reader: the input is read both
// as a PE file and as a bare version block, and every query the reader
// makes is run on the result, through TVerInfoRes as well.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "processes/VerInfo.h"
#include "processes/pe_version_resource.h"
#include "processes/version_block.h"

namespace {

using namespace corvanta;

// The three operations over the fuzzer's bytes instead of a file.
class InputLibrary final : public VersionLibrary {
public:
    explicit InputLibrary(std::span<const std::byte> input) : input_(input) {}

    std::uint32_t SizeQuery(const std::string&, std::uint32_t* handle) const override {
        *handle = 0;
        MemorySource source(input_);
        const auto size = FindVersionResourceSize(source);
        return size ? VersionBufferSize(*size) : 0;
    }
    bool BlockRead(const std::string&, std::uint32_t, std::uint32_t size, void* buffer) const override {
        MemorySource source(input_);
        const std::span<std::byte> out(static_cast<std::byte*>(buffer), size);
        const auto copied = ReadVersionResource(source, out.first(size >= 4 ? (size - 4) / 2 : 0));
        if (!copied) return false;
        PrepareVersionBlock(out, *copied);
        return true;
    }
    bool ValueQuery(const void* block, const std::string& sub_block, const void** value,
                    std::uint32_t* length) const override {
        return PortableVersionLibrary().ValueQuery(block, sub_block, value, length);
    }

private:
    std::span<const std::byte> input_;
};

// Every byte a query hands out is touched, so the sanitizers see it.
void Exercise(const std::vector<std::byte>& buffer) {
    const char* paths[] = {"\\", "", "\\VarFileInfo\\Translation", "\\StringFileInfo", "\\\\x\\\\",
                           "\\StringFileInfo\\040904B0\\CompanyName", "\\StringFileInfo\\040904E4\\ProductName"};
    volatile unsigned sink = 0;
    for (const char* path : paths) {
        const void* value = nullptr;
        std::uint32_t length = 0;
        if (!QueryVersionBlock(buffer.data(), path, &value, &length)) continue;
        const auto* p = static_cast<const unsigned char*>(value);
        const auto* end = reinterpret_cast<const unsigned char*>(buffer.data()) + buffer.size();
        if (p < reinterpret_cast<const unsigned char*>(buffer.data()) || p > end) __builtin_trap();
        for (const unsigned char* q = p; q < end && q < p + length; ++q) sink = sink + *q;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::byte> input(reinterpret_cast<const std::byte*>(data), size);

    // As a PE file, through the reader.
    const InputLibrary library(input);
    try {
        TVerInfoRes reader("input", library);
        for (const VersionKey key : kVersionKeys) (void)reader.GetVersionString(key);
    } catch (const Exception&) {
    }

    // As a bare block.
    const std::size_t raw = std::min<std::size_t>(size, kMaxVersionResource);
    std::vector<std::byte> buffer(VersionBufferSize(static_cast<std::uint32_t>(raw)));
    if (raw != 0) std::memcpy(buffer.data(), data, raw);
    PrepareVersionBlock(buffer, raw);
    Exercise(buffer);
    return 0;
}
