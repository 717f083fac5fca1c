// libFuzzer target for the portable version reader: the input is read both
// as a PE file and as a bare version block, and every query the reader
// makes is run on the result, through TVerInfoRes as well. The strict check
// runs on both too: whatever it accepts is then walked by a reader that
// trusts every length, as version.dll does, over a copy of exactly the
// resource's size, so a read past it is reported.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "processes/VerInfo.h"
#include "processes/pe_version_resource.h"
#include "processes/version_block.h"
#include "processes/version_check.h"

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
    const char* paths[] = {"\\",
                           "",
                           "\\VarFileInfo\\Translation",
                           "\\StringFileInfo",
                           "\\\\x\\\\",
                           "\\StringFileInfo\\040904B0\\CompanyName",
                           "\\StringFileInfo\\040904E4\\ProductName"};
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

std::uint16_t Load16(const std::byte* at) {
    std::uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

constexpr std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

// The node at the start of rest (the bytes from there to its parent's end):
// its key read up to its NUL wherever that is, its value as long as it says
// (text up to a NUL), its children as long as they say, as a trusting
// reader would. The node is walked in a copy of exactly its own length, so
// any read outside it is reported.
void TrustingWalk(std::span<const std::byte> rest, int depth) {
    const std::size_t length = Load16(rest.data());
    const std::size_t value_length = Load16(rest.data() + 2);
    const bool text = Load16(rest.data() + 4) != 0;
    if (length > rest.size()) __builtin_trap();  // the check let a node out of its parent
    const auto copy = std::make_unique_for_overwrite<std::byte[]>(length);
    std::memcpy(copy.get(), rest.data(), length);
    const std::byte* node = copy.get();

    std::size_t key = 6;
    while (Load16(node + key) != 0) key += 2;
    const std::size_t value = Align4(key + 2);
    const std::size_t value_bytes = value_length * (text ? 2 : 1);
    volatile unsigned sink = 0;
    for (std::size_t at = value; at < value + value_bytes; at += text ? 2 : 1) {
        const unsigned unit = text ? Load16(node + at) : std::to_integer<unsigned>(node[at]);
        sink = sink + unit;
        if (text && unit == 0) break;
    }
    if (depth >= 8) return;
    for (std::size_t child = value + Align4(value_bytes); child < length;) {
        if (std::all_of(node + child, node + length, [](std::byte b) { return b == std::byte{0}; })) break;
        TrustingWalk(std::span<const std::byte>(node + child, length - child), depth + 1);
        child += Align4(Load16(node + child));
    }
}

// Walks resource, in a copy of exactly its size, if the strict check
// accepts its tree.
void WalkIfAccepted(std::span<const std::byte> resource) {
    if (FindVersionTreeFault(resource) != nullptr) return;
    const auto copy = std::make_unique_for_overwrite<std::byte[]>(resource.size());
    std::memcpy(copy.get(), resource.data(), resource.size());
    TrustingWalk(std::span<const std::byte>(copy.get(), resource.size()), 0);
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

    // The strict walk to the resource picks the entry the lenient one picks.
    const MemorySource source(input);
    const StrictResource strict = FindVersionResourceStrictly(source);
    if (strict.outcome == StrictResource::Outcome::kFound) {
        if (FindVersionResourceSize(source) != strict.bytes.size()) __builtin_trap();
        WalkIfAccepted(strict.bytes);
    }
    (void)CheckVersionInformation(source).Describe();
    WalkIfAccepted(input.first(std::min<std::size_t>(size, kMaxVersionResource)));

    // As a bare block.
    const std::size_t raw = std::min<std::size_t>(size, kMaxVersionResource);
    std::vector<std::byte> buffer(VersionBufferSize(static_cast<std::uint32_t>(raw)));
    if (raw != 0) std::memcpy(buffer.data(), data, raw);
    PrepareVersionBlock(buffer, raw);
    Exercise(buffer);
    return 0;
}
