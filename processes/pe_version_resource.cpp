#include "processes/pe_version_resource.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

namespace corvanta {
namespace {

// On-disk structures, little-endian, copied out with memcpy.
struct DosHeader {
    std::uint16_t e_magic;
    std::uint16_t unused[29];
    std::uint32_t e_lfanew;
};
static_assert(sizeof(DosHeader) == 64 && offsetof(DosHeader, e_lfanew) == 0x3C);

struct FileHeader {
    std::uint16_t Machine;
    std::uint16_t NumberOfSections;
    std::uint32_t TimeDateStamp;
    std::uint32_t PointerToSymbolTable;
    std::uint32_t NumberOfSymbols;
    std::uint16_t SizeOfOptionalHeader;
    std::uint16_t Characteristics;
};
static_assert(sizeof(FileHeader) == 20);

struct DataDirectory {
    std::uint32_t VirtualAddress;
    std::uint32_t Size;
};

constexpr std::uint32_t kResourceDirectoryIndex = 2;

struct OptionalHeader32 {
    std::uint16_t Magic;
    std::uint8_t MajorLinkerVersion, MinorLinkerVersion;
    std::uint32_t SizeOfCode, SizeOfInitializedData, SizeOfUninitializedData;
    std::uint32_t AddressOfEntryPoint, BaseOfCode, BaseOfData, ImageBase;
    std::uint32_t SectionAlignment, FileAlignment;
    std::uint16_t Versions[6];
    std::uint32_t Win32VersionValue, SizeOfImage, SizeOfHeaders, CheckSum;
    std::uint16_t Subsystem, DllCharacteristics;
    std::uint32_t SizeOfStackReserve, SizeOfStackCommit, SizeOfHeapReserve, SizeOfHeapCommit;
    std::uint32_t LoaderFlags, NumberOfRvaAndSizes;
    DataDirectory Directories[kResourceDirectoryIndex + 1];
};
static_assert(offsetof(OptionalHeader32, SizeOfHeaders) == 60);
static_assert(offsetof(OptionalHeader32, NumberOfRvaAndSizes) == 92);
static_assert(offsetof(OptionalHeader32, Directories) == 96);

struct OptionalHeader64 {
    std::uint16_t Magic;
    std::uint8_t MajorLinkerVersion, MinorLinkerVersion;
    std::uint32_t SizeOfCode, SizeOfInitializedData, SizeOfUninitializedData;
    std::uint32_t AddressOfEntryPoint, BaseOfCode;
    std::uint64_t ImageBase;
    std::uint32_t SectionAlignment, FileAlignment;
    std::uint16_t Versions[6];
    std::uint32_t Win32VersionValue, SizeOfImage, SizeOfHeaders, CheckSum;
    std::uint16_t Subsystem, DllCharacteristics;
    std::uint64_t SizeOfStackReserve, SizeOfStackCommit, SizeOfHeapReserve, SizeOfHeapCommit;
    std::uint32_t LoaderFlags, NumberOfRvaAndSizes;
    DataDirectory Directories[kResourceDirectoryIndex + 1];
};
static_assert(offsetof(OptionalHeader64, SizeOfHeaders) == 60);
static_assert(offsetof(OptionalHeader64, NumberOfRvaAndSizes) == 108);
static_assert(offsetof(OptionalHeader64, Directories) == 112);

struct SectionHeader {
    char Name[8];
    std::uint32_t VirtualSize, VirtualAddress, SizeOfRawData, PointerToRawData;
    std::uint32_t PointerToRelocations, PointerToLinenumbers;
    std::uint16_t NumberOfRelocations, NumberOfLinenumbers;
    std::uint32_t Characteristics;
};
static_assert(sizeof(SectionHeader) == 40);

struct ResourceDirectory {
    std::uint32_t Characteristics, TimeDateStamp;
    std::uint16_t MajorVersion, MinorVersion;
    std::uint16_t NumberOfNamedEntries, NumberOfIdEntries;
};
static_assert(sizeof(ResourceDirectory) == 16);

struct ResourceDirectoryEntry {
    std::uint32_t Name;
    std::uint32_t OffsetToData;
};
static_assert(sizeof(ResourceDirectoryEntry) == 8);

struct ResourceDataEntry {
    std::uint32_t OffsetToData, Size, CodePage, Reserved;
};
static_assert(sizeof(ResourceDataEntry) == 16);

constexpr std::uint16_t kMzSignature = 0x5A4D;
constexpr std::uint32_t kPeSignature = 0x00004550;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint16_t kRtVersion = 16;
constexpr std::uint16_t kVersionInfoName = 1;
constexpr std::uint32_t kIsDirectory = 0x80000000u;

// The loader's order for a lookup that names no language, on a system whose
// user and system locales are English (United States): neutral, the
// locale's language, that language with neutral sublanguage, English (US).
constexpr std::array<std::uint16_t, 3> kLanguageOrder = {0x0000, 0x0409, 0x0009};

template <typename T>
bool ReadStruct(const ByteSource& source, std::uint64_t offset, T* out) {
    std::array<std::byte, sizeof(T)> raw;
    if (!source.ReadAt(offset, raw)) return false;
    std::memcpy(out, raw.data(), sizeof(T));
    return true;
}

// A PE file seen as the loader maps it: reads by relative virtual address,
// with the part of a section beyond its raw data reading as zeros. A strict
// image maps only what the file stores, and nothing at or past SizeOfImage;
// its failed reads say what lay outside.
class Image {
public:
    enum class Loaded { kImage, kNotPe, kNoResources, kMalformed };

    Image(const ByteSource& source, bool strict) : source_(source), strict_(strict) {}

    // Reads the headers.
    Loaded Load();

    std::uint32_t ResourceRoot() const { return resource_root_; }
    std::uint32_t SizeOfImage() const { return size_of_image_; }

    // Whether [rva, rva + length) is mapped and its raw bytes are in the file.
    bool Covers(std::uint32_t rva, std::uint32_t length) const { return Read(rva, length, {}); }

    bool ReadRva(std::uint32_t rva, std::span<std::byte> out) const {
        return Read(rva, static_cast<std::uint32_t>(out.size()), out);
    }

    template <typename T>
    bool ReadRvaStruct(std::uint64_t rva, T* out, const char* what) const {
        std::array<std::byte, sizeof(T)> raw;
        if (rva > 0xFFFFFFFFu || !ReadRva(static_cast<std::uint32_t>(rva), raw)) return Fault(what);
        std::memcpy(out, raw.data(), sizeof(T));
        return true;
    }

    // Notes what lay outside (the first fault counts); returns false.
    bool Fault(const char* what) const {
        if (fault_ == nullptr) fault_ = what;
        return false;
    }
    const char* FaultFound() const { return fault_; }

private:
    Loaded Broken(const char* what) const {
        Fault(what);
        return Loaded::kMalformed;
    }
    // With out empty only checks; otherwise fills out (length bytes).
    bool Read(std::uint32_t rva, std::uint32_t length, std::span<std::byte> out) const;

    const ByteSource& source_;
    const bool strict_;
    std::vector<SectionHeader> sections_;
    std::uint32_t size_of_headers_ = 0;
    std::uint32_t size_of_image_ = 0;
    std::uint32_t resource_root_ = 0;
    mutable const char* fault_ = nullptr;
};

Image::Loaded Image::Load() {
    DosHeader dos{};
    if (!ReadStruct(source_, 0, &dos) || dos.e_magic != kMzSignature) return Loaded::kNotPe;
    std::uint32_t signature = 0;
    if (!ReadStruct(source_, dos.e_lfanew, &signature) || signature != kPeSignature) return Loaded::kNotPe;
    FileHeader file{};
    const std::uint64_t file_header_at = std::uint64_t{dos.e_lfanew} + sizeof signature;
    if (!ReadStruct(source_, file_header_at, &file)) return Broken("file header cut short");
    const std::uint64_t optional_at = file_header_at + sizeof file;

    std::uint16_t magic = 0;
    if (!ReadStruct(source_, optional_at, &magic)) return Broken("optional header cut short");
    DataDirectory resources{};
    std::uint32_t directory_count = 0;
    std::size_t directories_end = 0;
    if (magic == kPe32Magic) {
        OptionalHeader32 optional{};
        if (!ReadStruct(source_, optional_at, &optional)) return Broken("optional header cut short");
        size_of_headers_ = optional.SizeOfHeaders;
        size_of_image_ = optional.SizeOfImage;
        directory_count = optional.NumberOfRvaAndSizes;
        resources = optional.Directories[kResourceDirectoryIndex];
        directories_end = sizeof optional;
    } else if (magic == kPe32PlusMagic) {
        OptionalHeader64 optional{};
        if (!ReadStruct(source_, optional_at, &optional)) return Broken("optional header cut short");
        size_of_headers_ = optional.SizeOfHeaders;
        size_of_image_ = optional.SizeOfImage;
        directory_count = optional.NumberOfRvaAndSizes;
        resources = optional.Directories[kResourceDirectoryIndex];
        directories_end = sizeof optional;
    } else {
        return Broken("optional header of an unknown kind");
    }
    if (file.SizeOfOptionalHeader < directories_end) return Broken("optional header cut short");
    if (directory_count <= kResourceDirectoryIndex) return Loaded::kNoResources;
    resource_root_ = resources.VirtualAddress;
    if (resource_root_ == 0) return Loaded::kNoResources;

    const std::uint64_t sections_at = optional_at + file.SizeOfOptionalHeader;
    const std::uint64_t table_size = std::uint64_t{file.NumberOfSections} * sizeof(SectionHeader);
    if (sections_at + table_size > source_.Size()) return Broken("section table past the end of the file");
    std::vector<std::byte> table(static_cast<std::size_t>(table_size));
    if (!source_.ReadAt(sections_at, table)) return Broken("section table past the end of the file");
    sections_.resize(file.NumberOfSections);
    if (table_size != 0) std::memcpy(sections_.data(), table.data(), table.size());
    return Loaded::kImage;
}

bool Image::Read(std::uint32_t rva, std::uint32_t length, std::span<std::byte> out) const {
    const std::uint64_t end = std::uint64_t{rva} + length;
    if (strict_ && end > size_of_image_) return false;
    for (const SectionHeader& section : sections_) {
        const std::uint32_t mapped = section.VirtualSize != 0 ? section.VirtualSize : section.SizeOfRawData;
        if (rva < section.VirtualAddress || end > std::uint64_t{section.VirtualAddress} + mapped) continue;
        const std::uint64_t offset = rva - section.VirtualAddress;
        const std::uint64_t raw = std::min(section.SizeOfRawData, mapped);
        const std::uint64_t from_file = offset < raw ? std::min<std::uint64_t>(raw - offset, length) : 0;
        if (strict_ && from_file != length) return false;
        const std::uint64_t file_at = std::uint64_t{section.PointerToRawData} + offset;
        if (from_file != 0 && file_at + from_file > source_.Size()) return false;
        if (out.empty()) return true;
        if (from_file != 0 && !source_.ReadAt(file_at, out.first(static_cast<std::size_t>(from_file)))) return false;
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(from_file), out.end(), std::byte{0});
        return true;
    }
    // The headers are mapped too, at their file offsets.
    if (end <= size_of_headers_) {
        if (end > source_.Size()) return false;
        return out.empty() || source_.ReadAt(rva, out);
    }
    return false;
}

// The entry with this id among a directory's id entries, found as the
// loader finds it (binary search: the entries are sorted by id). Its
// offset, if it is of the wanted kind (subdirectory or data).
std::optional<std::uint32_t> FindById(const Image& image, std::uint32_t directory, std::uint16_t id,
                                      bool want_directory) {
    const std::uint64_t at = std::uint64_t{image.ResourceRoot()} + directory;
    ResourceDirectory header{};
    if (!image.ReadRvaStruct(at, &header, "resource directory outside the image or the file")) return std::nullopt;
    int low = header.NumberOfNamedEntries;
    int high = low + header.NumberOfIdEntries - 1;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        ResourceDirectoryEntry entry{};
        if (!image.ReadRvaStruct(at + sizeof header + sizeof entry * static_cast<std::uint64_t>(middle), &entry,
                                 "resource directory entry outside the image or the file")) {
            return std::nullopt;
        }
        const auto entry_id = static_cast<std::uint16_t>(entry.Name & 0xFFFF);
        if (entry_id == id) {
            if (((entry.OffsetToData & kIsDirectory) != 0) != want_directory) return std::nullopt;
            return entry.OffsetToData & ~kIsDirectory;
        }
        if (entry_id > id) {
            high = middle - 1;
        } else {
            low = middle + 1;
        }
    }
    return std::nullopt;
}

// The first entry that holds data rather than a subdirectory.
std::optional<std::uint32_t> FirstDataEntry(const Image& image, std::uint32_t directory) {
    const std::uint64_t at = std::uint64_t{image.ResourceRoot()} + directory;
    ResourceDirectory header{};
    if (!image.ReadRvaStruct(at, &header, "resource directory outside the image or the file")) return std::nullopt;
    const std::uint32_t count = std::uint32_t{header.NumberOfNamedEntries} + header.NumberOfIdEntries;
    for (std::uint32_t i = 0; i < count; ++i) {
        ResourceDirectoryEntry entry{};
        if (!image.ReadRvaStruct(at + sizeof header + sizeof entry * std::uint64_t{i}, &entry,
                                 "resource directory entry outside the image or the file")) {
            return std::nullopt;
        }
        if ((entry.OffsetToData & kIsDirectory) == 0) return entry.OffsetToData;
    }
    return std::nullopt;
}

struct Located {
    std::uint32_t rva;
    std::uint32_t size;
};

// Three fixed levels (type, name, language); nothing deeper is followed.
// The lenient walk cuts the data at kMaxVersionResource and asks only that
// much be mapped; the strict one wants the whole declared size inside the
// image and stored in the file, as a reader that trusts the size would read it.
std::optional<Located> Locate(const Image& image, bool strict) {
    const auto type = FindById(image, 0, kRtVersion, true);
    if (!type) return std::nullopt;
    const auto name = FindById(image, *type, kVersionInfoName, true);
    if (!name) return std::nullopt;
    // A strict walk stops at the first fault: the loader would have read there.
    const auto stopped = [&] { return strict && image.FaultFound() != nullptr; };
    std::optional<std::uint32_t> data;
    for (std::uint16_t language : kLanguageOrder) {
        data = FindById(image, *name, language, false);
        if (data || stopped()) break;
    }
    if (!data && !stopped()) data = FirstDataEntry(image, *name);
    if (!data) return std::nullopt;

    ResourceDataEntry entry{};
    if (!image.ReadRvaStruct(std::uint64_t{image.ResourceRoot()} + *data, &entry,
                             "resource data entry outside the image or the file")) {
        return std::nullopt;
    }
    if (entry.Size == 0) return std::nullopt;
    if (strict) {
        if (std::uint64_t{entry.OffsetToData} + entry.Size > image.SizeOfImage()) {
            image.Fault("version data past the end of the image");
            return std::nullopt;
        }
        if (!image.Covers(entry.OffsetToData, entry.Size)) {
            image.Fault("version data not stored in the file");
            return std::nullopt;
        }
    }
    const std::uint32_t size = std::min(entry.Size, kMaxVersionResource);
    if (!image.Covers(entry.OffsetToData, size)) return std::nullopt;
    return Located{entry.OffsetToData, size};
}

}  // namespace

bool MemorySource::ReadAt(std::uint64_t offset, std::span<std::byte> out) const {
    if (offset > bytes_.size() || out.size() > bytes_.size() - offset) return false;
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return true;
}

FileSource::FileSource(const std::string& path) {
    if (path.empty()) return;
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) return;
    // The window is the buffer; the stream's own would only copy twice.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (std::fseek(file_, 0, SEEK_END) == 0) {
        const long end = std::ftell(file_);
        if (end > 0) size_ = static_cast<std::uint64_t>(end);
    }
}

FileSource::~FileSource() {
    if (file_ != nullptr) std::fclose(file_);
}

bool FileSource::ReadAt(std::uint64_t offset, std::span<std::byte> out) const {
    if (file_ == nullptr || offset > size_ || out.size() > size_ - offset) return false;
    if (out.empty()) return true;
    const auto inside = [&] { return offset >= window_at_ && offset + out.size() <= window_at_ + window_.size(); };
    if (!inside()) {
        if (out.size() > kWindowSize / 2) return ReadFile(offset, out);
        // A window from the page the read starts in, cut at the file's end.
        window_at_ = offset & ~std::uint64_t{0xFFF};
        window_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kWindowSize, size_ - window_at_)));
        if (!ReadFile(window_at_, window_)) {
            window_.clear();
            return false;
        }
    }
    std::memcpy(out.data(), window_.data() + (offset - window_at_), out.size());
    return true;
}

bool FileSource::ReadFile(std::uint64_t offset, std::span<std::byte> out) const {
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0 ||
        std::fread(out.data(), 1, out.size(), file_) != out.size()) {
        failed_ = true;
        return false;
    }
    return true;
}

std::optional<std::uint32_t> FindVersionResourceSize(const ByteSource& source) {
    Image image(source, false);
    if (image.Load() != Image::Loaded::kImage) return std::nullopt;
    const auto located = Locate(image, false);
    if (!located) return std::nullopt;
    return located->size;
}

std::optional<std::size_t> ReadVersionResource(const ByteSource& source, std::span<std::byte> out) {
    Image image(source, false);
    if (image.Load() != Image::Loaded::kImage) return std::nullopt;
    const auto located = Locate(image, false);
    if (!located) return std::nullopt;
    const std::size_t count = std::min<std::size_t>(located->size, out.size());
    if (!image.ReadRva(located->rva, out.first(count))) return std::nullopt;
    return count;
}

StrictResource FindVersionResourceStrictly(const ByteSource& source) {
    using Outcome = StrictResource::Outcome;
    StrictResource result;
    Image image(source, true);
    const Image::Loaded loaded = image.Load();
    std::optional<Located> located;
    if (loaded == Image::Loaded::kImage) located = Locate(image, true);
    if (located) {
        result.bytes.resize(located->size);
        if (!image.ReadRva(located->rva, result.bytes)) image.Fault("version data unreadable");
    }
    if (source.Failed()) {
        result.outcome = Outcome::kUnreadable;
    } else if (image.FaultFound() != nullptr) {
        result.outcome = Outcome::kMalformed;
        result.reason = image.FaultFound();
    } else if (loaded == Image::Loaded::kNotPe) {
        result.outcome = Outcome::kNotPe;
    } else if (!located) {
        result.outcome = Outcome::kNoResource;
    } else {
        result.outcome = Outcome::kFound;
        return result;
    }
    result.bytes.clear();
    return result;
}

}  // namespace corvanta
