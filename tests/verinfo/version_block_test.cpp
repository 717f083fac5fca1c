// Value queries on version blocks built in memory, laid out as the portable
// block read lays them out.
#include <gtest/gtest.h>

#include <cstring>

#include "processes/version_block.h"
#include "test_images.h"

namespace corvanta::test {
namespace {

// A prepared buffer as the portable library makes it: room for the block
// and its converted strings.
Bytes Prepared(const Bytes& raw, std::size_t resource_size = 0) {
    if (resource_size == 0) resource_size = raw.size();
    Bytes buffer(VersionBufferSize(static_cast<std::uint32_t>(resource_size)), std::byte{0xCC});
    std::memcpy(buffer.data(), raw.data(), std::min(raw.size(), buffer.size()));
    PrepareVersionBlock(buffer, std::min(raw.size(), resource_size));
    return buffer;
}

// The text a query gives, "<missing>" when it fails. Checks that the text
// lies inside the buffer and ends with a NUL there.
std::string Query(const Bytes& buffer, const std::string& path, std::uint32_t* length = nullptr) {
    const void* value = nullptr;
    std::uint32_t found_length = 0;
    if (!QueryVersionBlock(buffer.data(), path, &value, &found_length)) return "<missing>";
    if (length != nullptr) *length = found_length;
    const auto* p = static_cast<const char*>(value);
    const auto* begin = reinterpret_cast<const char*>(buffer.data());
    EXPECT_GE(p, begin);
    EXPECT_LT(p, begin + buffer.size());
    const auto* nul = static_cast<const char*>(std::memchr(p, 0, static_cast<std::size_t>(begin + buffer.size() - p)));
    EXPECT_NE(nul, nullptr) << path;
    return nul != nullptr ? std::string(p, nul) : "<unterminated>";
}

TEST(VersionBlock, PathsAndKeys) {
    const Bytes buffer =
        Prepared(UsualBlock({Text(u"CompanyName", u"Vendor"), Text(u"Empty", u""), Text(u"Wide", u"Caf\u00E9 \u263A"),
                             Text(u"Nul", std::u16string(u"ab\0cd", 5))})
                     .Build());
    const struct {
        const char* path;
        const char* text;
    } cases[] = {
        {"\\StringFileInfo\\040904B0\\CompanyName", "Vendor"},
        {"\\stringfileinfo\\040904b0\\COMPANYNAME", "Vendor"},        // keys match in any case
        {"\\\\StringFileInfo\\\\040904B0\\CompanyName\\", "Vendor"},  // empty components skipped
        {"StringFileInfo\\040904B0\\CompanyName", "Vendor"},
        {"\\StringFileInfo\\040904B0\\Empty", ""},
        {"\\StringFileInfo\\040904B0\\Wide", "Caf\xE9 ?"},
        {"\\StringFileInfo\\040904B0\\Nul", "ab"},
        {"\\StringFileInfo\\040904B0\\Company", "<missing>"},  // a prefix is not the key
        {"\\StringFileInfo\\040904B0\\CompanyNameX", "<missing>"},
        {"\\StringFileInfo\\040904E4\\CompanyName", "<missing>"},
        {"\\StringFileInfo\\040904B0\\CompanyName\\More", "<missing>"},
    };
    for (const auto& c : cases) EXPECT_EQ(Query(buffer, c.path), c.text) << c.path;

    std::uint32_t length = 0;
    Query(buffer, "\\StringFileInfo\\040904B0\\CompanyName", &length);
    EXPECT_EQ(length, 7u) << "characters converted, the NUL included";
}

TEST(VersionBlock, BinaryValues) {
    const Bytes buffer = Prepared(UsualBlock({}).Build());
    const void* value = nullptr;
    std::uint32_t length = 0;
    ASSERT_TRUE(QueryVersionBlock(buffer.data(), "\\", &value, &length));
    EXPECT_EQ(length, 52u);
    std::uint32_t signature = 0;
    std::memcpy(&signature, value, 4);
    EXPECT_EQ(signature, 0xFEEF04BDu);
    for (const char* path : {"", "\\\\"}) {
        ASSERT_TRUE(QueryVersionBlock(buffer.data(), path, &value, &length)) << path;
        EXPECT_EQ(length, 52u);
    }
    ASSERT_TRUE(QueryVersionBlock(buffer.data(), "\\VarFileInfo\\Translation", &value, &length));
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(std::memcmp(value, "\x09\x04\xB0\x04", 4), 0);
}

// Lengths and offsets in the block are never trusted beyond the bytes there.
TEST(VersionBlock, MalformedBlocks) {
    const std::string company = "\\StringFileInfo\\040904B0\\CompanyName";
    Node oversized = Text(u"CompanyName", u"abc");
    oversized.value_length = 2000;
    Node zero_length = Text(u"Other", u"x");
    zero_length.length = 0;
    Node short_length = Text(u"Other", u"x");
    short_length.length = 4;
    Node cut_key = Text(u"CompanyName", u"");
    cut_key.length = 10;  // ends inside its key
    Node trailing_without_nul = Text(u"CompanyName", u"xyz", false);

    const struct {
        const char* name;
        Bytes raw;
        std::size_t resource_size;
        const char* text;
    } cases[] = {
        {"value longer than its node", UsualBlock({oversized}).Build(), 0, "abc"},
        {"sibling of length 0 ends the search", UsualBlock({zero_length, Text(u"CompanyName", u"v")}).Build(), 0,
         "<missing>"},
        {"sibling shorter than a header ends the search",
         UsualBlock({short_length, Text(u"CompanyName", u"v")}).Build(), 0, "<missing>"},
        {"key cut by its node's length", UsualBlock({cut_key}).Build(), 0, "<missing>"},
        {"last value without a NUL", UsualBlock({trailing_without_nul}).Build(), 0, "xyz"},
        {"root longer than the resource", UsualBlock({Text(u"CompanyName", u"v")}).Build(), 100, "<missing>"},
        {"block of 3 bytes", Bytes(3, std::byte{0xFF}), 0, "<missing>"},
        {"root length 0", Bytes(64, std::byte{0}), 0, "<missing>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Query(Prepared(c.raw, c.resource_size), company), c.text) << c.name;
    }
}

// A buffer smaller than the size query asked for: the block is cut so the
// conversions still fit.
TEST(VersionBlock, SmallBuffer) {
    const Bytes raw = UsualBlock({Text(u"CompanyName", u"Vendor")}).Build();
    for (std::size_t size = 0; size < VersionBufferSize(static_cast<std::uint32_t>(raw.size())); size += 7) {
        Bytes buffer(size + 1, std::byte{0xCC});  // one guard byte
        std::memcpy(buffer.data(), raw.data(), std::min(raw.size(), size));
        PrepareVersionBlock(std::span(buffer).first(size), std::min(raw.size(), size));
        EXPECT_EQ(buffer[size], std::byte{0xCC}) << size;
        if (size >= 6) {
            const void* value = nullptr;
            std::uint32_t length = 0;
            if (QueryVersionBlock(buffer.data(), "\\StringFileInfo\\040904B0\\CompanyName", &value, &length)) {
                EXPECT_LE(static_cast<const std::byte*>(value) + length, buffer.data() + size) << size;
            }
        }
    }
}

// Nesting deeper than any real block neither recurses without end nor
// breaks the queries that still reach their node.
TEST(VersionBlock, DeepNesting) {
    Node node = Text(u"K", u"deep");
    std::string path = "\\K";
    for (int i = 0; i < 500; ++i) {
        node = Node{u"K", {}, true, {node}};
        path += "\\K";
    }
    const Bytes buffer = Prepared(Node{u"VS_VERSION_INFO", FixedInfo(), false, {node}}.Build());
    EXPECT_EQ(Query(buffer, path), "");
    EXPECT_EQ(Query(buffer, "\\K\\K\\K"), "");
}

}  // namespace
}  // namespace corvanta::test
