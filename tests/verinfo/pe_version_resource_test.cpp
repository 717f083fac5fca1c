// Finding the version resource in PE images built in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "processes/pe_version_resource.h"
#include "test_images.h"

namespace corvanta::test {
namespace {

constexpr std::uint16_t kRtVersion = 16;

Bytes Data(std::uint8_t tag, std::size_t size = 8) { return Bytes(size, std::byte{tag}); }

// The bytes of the chosen resource, or "none".
std::string Chosen(const Bytes& image) {
    MemorySource source(image);
    const auto size = FindVersionResourceSize(source);
    Bytes out(size.value_or(0));
    const auto copied = ReadVersionResource(source, out);
    if (!size || !copied) return size || copied ? "inconsistent" : "none";
    std::string tags;
    for (std::size_t i = 0; i < *copied; ++i) tags += std::to_string(static_cast<int>(out[i])) + " ";
    return tags;
}

TEST(PeVersionResource, Pe32AndPe32Plus) {
    for (bool plus : {false, true}) {
        ImageOptions options;
        options.pe32_plus = plus;
        const Bytes image = BuildImage({{kRtVersion, 1, 0x0409, Data(7, 3)}, {10, 1, 0x0409, Data(9)}}, options);
        EXPECT_EQ(Chosen(image), "7 7 7 ") << (plus ? "PE32+" : "PE32");
    }
}

// The loader's choice on an English (US) system: neutral, 0x0409, 0x0009,
// else the first language stored (the table is sorted by language).
TEST(PeVersionResource, LanguageChoice) {
    const struct {
        std::vector<std::uint16_t> stored;
        std::uint16_t chosen;
    } cases[] = {
        {{0x0407, 0x0409}, 0x0409}, {{0x0000, 0x0409}, 0x0000}, {{0x0009, 0x0407}, 0x0009},
        {{0x0407, 0x0809}, 0x0407}, {{0x0c09, 0x0809}, 0x0809}, {{0x0409}, 0x0409},
    };
    for (const auto& c : cases) {
        std::vector<Resource> resources;
        for (std::uint16_t language : c.stored) {
            // The data is the language itself, so the choice shows.
            Bytes data(2);
            Put16(data, 0, language);
            resources.push_back({kRtVersion, 1, language, data});
        }
        const std::string want = std::to_string(c.chosen & 0xFF) + " " + std::to_string(c.chosen >> 8) + " ";
        EXPECT_EQ(Chosen(BuildImage(resources)), want) << "first stored " << c.stored.front();
    }
}

TEST(PeVersionResource, NoVersionResource) {
    const struct {
        const char* name;
        Bytes image;
    } cases[] = {
        {"empty file", {}},
        {"text", Bytes(512, std::byte{'x'})},
        {"other resources only", BuildImage({{10, 1, 0x0409, Data(1)}})},
        {"version resource with another name", BuildImage({{kRtVersion, 2, 0x0409, Data(1)}})},
        {"version resource of size 0", BuildImage({{kRtVersion, 1, 0x0409, Data(1), 0}})},
        {"data beyond its section", BuildImage({{kRtVersion, 1, 0x0409, Data(1), 0x100000}})},
    };
    for (const auto& c : cases) EXPECT_EQ(Chosen(c.image), "none") << c.name;

    Bytes not_pe = BuildImage({{kRtVersion, 1, 0x0409, Data(1)}});
    not_pe[0x41] = std::byte{'X'};
    EXPECT_EQ(Chosen(not_pe), "none") << "no PE signature";
}

TEST(PeVersionResource, NamedTypesAreSkipped) {
    ImageOptions options;
    options.named_types = 3;
    EXPECT_EQ(Chosen(BuildImage({{kRtVersion, 1, 0x0409, Data(5, 2)}}, options)), "5 5 ");
}

// Section bytes that the file leaves out are mapped as zeros.
TEST(PeVersionResource, UnstoredTailReadsAsZeros) {
    ImageOptions options;
    options.raw_cut = 2;
    EXPECT_EQ(Chosen(BuildImage({{kRtVersion, 1, 0x0409, Data(5, 4)}}, options)), "5 5 0 0 ");
}

TEST(PeVersionResource, SizeIsCappedAtTheLargestBlock) {
    const Bytes image = BuildImage({{kRtVersion, 1, 0x0409, Data(3, kMaxVersionResource + 100)}});
    MemorySource source(image);
    EXPECT_EQ(FindVersionResourceSize(source), kMaxVersionResource);
}

// Every prefix of a valid image: whatever is cut, nothing is read beyond it
// (the sanitizers watch) and a resource is found only when all of it is there.
TEST(PeVersionResource, TruncatedImages) {
    for (bool plus : {false, true}) {
        ImageOptions options;
        options.pe32_plus = plus;
        const Bytes image = BuildImage({{kRtVersion, 1, 0x0409, Data(4, 16)}}, options);
        for (std::size_t length = 0; length < image.size(); ++length) {
            const Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_EQ(Chosen(cut), "none") << length;
        }
        EXPECT_NE(Chosen(image), "none");
    }
}

// Reads anywhere in a file give its bytes, whether they come from the
// window, start a new one, cross its edge or bypass it.
TEST(PeVersionResource, FileSourceReads) {
    const std::string path = ::testing::TempDir() + "verinfo_file_source.bin";
    Bytes content(0x9A37);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = std::byte(i * 7 + i / 256);
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(content.data(), 1, content.size(), file), content.size());
        std::fclose(file);
    }
    FileSource source(path);
    ASSERT_TRUE(source.IsOpen());
    EXPECT_EQ(source.Size(), content.size());
    const struct {
        std::size_t offset, length;
    } reads[] = {{0, 64},        {0x3FF0, 0x20},  {0x10, 8},   {0x5000, 0x3000}, {0x1234, 0x4000},
                 {0x9A00, 0x37}, {0x8FFF, 0xA00}, {0x9A37, 0}, {0x20, 0x9A17}};
    for (const auto& r : reads) {
        Bytes out(r.length);
        ASSERT_TRUE(source.ReadAt(r.offset, out)) << r.offset;
        EXPECT_TRUE(std::equal(out.begin(), out.end(), content.begin() + static_cast<std::ptrdiff_t>(r.offset)))
            << std::hex << r.offset << " " << r.length;
    }
    Bytes past(2);
    EXPECT_FALSE(source.ReadAt(0x9A36, past));
    EXPECT_FALSE(source.Failed());
    std::remove(path.c_str());
}

TEST(PeVersionResource, FileSource) {
    FileSource missing("/nonexistent/verinfo.dll");
    EXPECT_FALSE(missing.IsOpen());
    FileSource empty_name("");
    EXPECT_FALSE(empty_name.IsOpen());
    std::byte one[1];
    EXPECT_FALSE(missing.ReadAt(0, one));
}

}  // namespace
}  // namespace corvanta::test
