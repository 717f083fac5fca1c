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
#include <vector>

namespace corvanta {

// Random-access bytes: a file, or memory in tests and the fuzzer.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Fills out from offset; false when the range is not all there.
    virtual bool ReadAt(std::uint64_t offset, std::span<std::byte> out) const = 0;
    // Whether a read inside the source's size failed (an I/O error): what
    // was read then says nothing about the bytes.
    virtual bool Failed() const { return false; }
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const std::byte> bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(std::uint64_t offset, std::span<std::byte> out) const override;

private:
    std::span<const std::byte> bytes_;
};

// A file opened for reading; closed when the object goes. Reads go through
// one window of the file: the walk to the version resource reads many small
// structures close together, and each trip to the file costs system calls
// (several of them under Wine).
class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, std::span<std::byte> out) const override;
    bool Failed() const override { return failed_; }

private:
    static constexpr std::size_t kWindowSize = 0x4000;
    // Fills out straight from the file.
    bool ReadFile(std::uint64_t offset, std::span<std::byte> out) const;

    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
    mutable bool failed_ = false;
    mutable std::vector<std::byte> window_;
    mutable std::uint64_t window_at_ = 0;
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

// The way to the version resource walked strictly: every header, directory
// and entry on it, and the resource's data, must lie inside the image
// (SizeOfImage) and be stored in the file, where the lenient walk above maps
// what a section leaves out as zeros and cuts the data at its section.
struct StrictResource {
    enum class Outcome {
        kFound,       // bytes holds the resource's first min(size, kMaxVersionResource) bytes
        kNotPe,       // no PE signature: not a file this walk knows
        kNoResource,  // a sound PE image without a version resource
        kMalformed,   // reason says what lies outside
        kUnreadable,  // the source failed to read
    };
    Outcome outcome = Outcome::kNotPe;
    std::string reason;
    std::vector<std::byte> bytes;
};

StrictResource FindVersionResourceStrictly(const ByteSource& source);

}  // namespace corvanta
