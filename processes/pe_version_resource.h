#pragma once
// Finds the version resource (RT_VERSION, name 1) of a PE32 or PE32+ file
// without loading it, choosing among its languages as Windows' resource
// loader does on an English (United States) system: neutral, then 0x0409,
// then English with neutral sublanguage, then the first language present.
// Every offset and size read from the file is checked against the file
// before it is used; a file that is not a PE image simply has no resource.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

namespace corvanta {

// Random-access bytes: a file, or memory in tests and the fuzzer.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Fills out from offset; false when the range is not all there.
    virtual bool ReadAt(std::uint64_t offset, std::span<std::byte> out) const = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const std::byte> bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(std::uint64_t offset, std::span<std::byte> out) const override;

private:
    std::span<const std::byte> bytes_;
};

// A file opened for reading; closed when the object goes.
class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, std::span<std::byte> out) const override;

private:
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
};

// Version blocks are at most 64 KiB (their length field is 16 bits); a
// resource that claims more is read only that far.
inline constexpr std::uint32_t kMaxVersionResource = 0x10000;

// The size of the version resource that Windows would load, at most
// kMaxVersionResource, or nullopt when there is none.
std::optional<std::uint32_t> FindVersionResourceSize(const ByteSource& source);

// Copies the start of that resource into out (at most its size); returns the
// number of bytes copied, or nullopt when there is no resource to read.
std::optional<std::size_t> ReadVersionResource(const ByteSource& source, std::span<std::byte> out);

}  // namespace corvanta
