// The strict check that runs before version.dll: what it turns away, why,
// and that it turns away nothing a reader can read safely.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "construction_outcome.h"
#include "processes/pe_version_resource.h"
#include "processes/version_block.h"
#include "processes/version_check.h"
#include "test_images.h"
#include "verinfo_fixture_dir.h"

namespace corvanta::test {
namespace {

constexpr std::uint16_t kRtVersion = 16;

std::string Fault(const Bytes& block) {
    const char* fault = FindVersionTreeFault(block);
    return fault != nullptr ? fault : "sound";
}

Node Strings() { return UsualBlock({Text(u"CompanyName", u"Vendor"), Text(u"ProductName", u"Product")}); }

Bytes WithTail(Bytes block, std::initializer_list<std::uint8_t> tail) {
    Pad4(block);
    for (std::uint8_t b : tail) block.push_back(std::byte{b});
    Put16(block, 0, static_cast<std::uint16_t>(block.size()));
    return block;
}

Node WithString(Node string) { return UsualBlock({Text(u"CompanyName", u"Vendor"), std::move(string)}); }

Node Translation(int value_length) {
    Node block = Strings();
    block.children[1].children[0].value_length = value_length;
    return block;
}

TEST(VersionTreeCheck, NodeRules) {
    Node key_only = Text(u"ProductName", u"x");
    key_only.length = 6 + 2 * 11;  // the key's characters fill the node; its NUL lies outside
    Node zero_length = Text(u"ProductName", u"x");
    zero_length.length = 0;
    Node past_parent = Text(u"ProductName", u"x");
    past_parent.length = 0x400;
    Node text_past = Text(u"ProductName", u"abc", false);
    text_past.value_length = 10;
    Node text_in_bytes = Text(u"ProductName", u"abc");
    text_in_bytes.value_length = 8;
    Node text_exact_unterminated = Text(u"ProductName", u"abc", false);
    Bytes sixteen_bit = Strings().Build();
    sixteen_bit[4] = std::byte{'V'};
    Bytes root_cut = Strings().Build();
    root_cut.resize(root_cut.size() - 4);

    const struct {
        const char* name;
        Bytes block;
        std::string fault;
    } cases[] = {
        {"usual block", Strings().Build(), "sound"},
        {"zeros after the last child", WithTail(Strings().Build(), {0, 0, 0, 0, 0, 0, 0, 0}), "sound"},
        {"two zero bytes after the last child", WithTail(Strings().Build(), {0, 0}), "sound"},
        {"text length counted in bytes, NUL inside", WithString(text_in_bytes).Build(), "sound"},
        {"text without NUL, length inside", WithString(text_exact_unterminated).Build(), "sound"},
        {"empty text", WithString(Text(u"Comments", u"", false)).Build(), "sound"},
        {"non-zero bytes too few for a header", WithTail(Strings().Build(), {0x41, 0x41}),
         "node header past its parent"},
        {"node of length 0", WithString(zero_length).Build(), "node length shorter than its header and key"},
        {"node past its parent", WithString(past_parent).Build(), "node length past its parent"},
        {"root longer than the resource", root_cut, "node length past its parent"},
        {"key without NUL in its node", WithString(key_only).Build(), "key not terminated inside its node"},
        {"binary value past its node", Translation(8).Build(), "value past its node"},
        {"text value past its node, no NUL", WithString(text_past).Build(), "value past its node"},
        {"16-bit layout", sixteen_bit, "block in the 16-bit layout"},
        {"shorter than a header", Bytes(5), "block shorter than its root header"},
    };
    for (const auto& c : cases) EXPECT_EQ(Fault(c.block), c.fault) << c.name;
}

std::string Check(const Bytes& image) {
    MemorySource source(image);
    return CheckVersionInformation(source).Describe();
}

Resource Version(Bytes data, std::uint32_t declared = 0xFFFFFFFF) {
    return Resource{kRtVersion, 1, 0x0409, std::move(data), declared};
}

TEST(VersionCheck, WayToTheResource) {
    const Bytes block = Strings().Build();
    ImageOptions plus;
    plus.pe32_plus = true;
    // The version data comes last: an image that ends 4 bytes early cuts it.
    Bytes small_image = BuildImage({Version(block)});
    constexpr std::size_t kSizeOfImageAt = 0x44 + 20 + 56;
    const auto image_end = std::to_integer<std::uint32_t>(small_image[kSizeOfImageAt]) |
                           std::to_integer<std::uint32_t>(small_image[kSizeOfImageAt + 1]) << 8;
    Put32(small_image, kSizeOfImageAt, image_end - 4);
    ImageOptions unstored_tail;
    unstored_tail.raw_cut = 2;
    Bytes unknown_magic = BuildImage({Version(block)});
    Put16(unknown_magic, 0x44 + 20, 0x107);
    Bytes many_types = BuildImage({Version(block)});
    Put16(many_types, 0x200 + 14, 0xFFFF);  // the root directory's id entries
    Node broken = Strings();
    broken.children[0].children[0].children[0].length = 0;
    Bytes other(8, std::byte{1});

    const struct {
        const char* name;
        Bytes image;
        std::string verdict;
    } cases[] = {
        {"PE32", BuildImage({Version(block)}), "sound"},
        {"PE32+", BuildImage({Version(block)}, plus), "sound"},
        {"data past SizeOfImage", small_image, "malformed: version data past the end of the image"},
        {"declared size past the image", BuildImage({Version(block, 0x100000)}),
         "malformed: version data past the end of the image"},
        {"data partly not stored in the file", BuildImage({Version(block)}, unstored_tail),
         "malformed: version data not stored in the file"},
        {"unknown optional header", unknown_magic, "malformed: optional header of an unknown kind"},
        {"directory entries past the section", many_types,
         "malformed: resource directory entry outside the image or the file"},
        {"broken node tree", BuildImage({Version(broken.Build())}),
         "malformed: node length shorter than its header and key"},
        {"other resources only", BuildImage({{10, 1, 0x0409, other}}), "no version resource"},
        {"version resource of size 0", BuildImage({Version(block, 0)}), "no version resource"},
        {"text", Bytes(512, std::byte{'x'}), "not a PE image"},
        {"empty", Bytes(), "not a PE image"},
    };
    for (const auto& c : cases) EXPECT_EQ(Check(c.image), c.verdict) << c.name;
}

// Each prefix of a sound image whose version data comes last: never sound,
// and read without going past the prefix (the sanitizers watch).
TEST(VersionCheck, TruncatedImages) {
    const Bytes image = BuildImage({Version(Strings().Build())});
    ASSERT_EQ(Check(image), "sound");
    for (std::size_t length = 0; length < image.size(); ++length) {
        const Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
        const std::string verdict = Check(cut);
        EXPECT_TRUE(verdict == "not a PE image" || verdict.rfind("malformed: ", 0) == 0) << length << ": " << verdict;
    }
}

std::string Verdict(const std::string& path) {
    const std::string described = CheckVersionFile(path).Describe();
    return described.substr(0, described.find(':'));
}

TEST(VersionCheck, Files) {
    EXPECT_EQ(Verdict("/nonexistent/verinfo.dll"), "unreadable");
    EXPECT_EQ(Verdict(""), "unreadable");
}

// Every sound fixture passes: those with a version resource are sound, the
// one without has none.
TEST(VersionCheck, SoundFixturesPass) {
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VERINFO_FIXTURE_DIR)) {
        if (entry.path().extension() != ".dll") continue;
        const std::string file = entry.path().string();
        std::uint32_t handle = 0;
        const bool versioned = PortableVersionLibrary().SizeQuery(file, &handle) != 0;
        EXPECT_EQ(Verdict(file), versioned ? "sound" : "no version resource") << file;
        ++checked;
    }
    EXPECT_GE(checked, 12);
}

// The corrupted copies of fixtures that make_corrupt.py writes, each with
// the verdict it must get. The portable reader reads each without harm.
TEST(VersionCheck, CorruptedCorpus) {
    const std::filesystem::path dir = std::filesystem::path(VERINFO_FIXTURE_DIR) / "corrupt";
    std::ifstream expected(dir / "expected.txt");
    ASSERT_TRUE(expected) << dir;
    std::string line;
    int malformed = 0;
    while (std::getline(expected, line)) {
        const std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        const std::string file = (dir / (line.substr(0, tab) + ".dll")).string();
        const std::string want = line.substr(tab + 1);
        const VersionCheck check = CheckVersionFile(file);
        EXPECT_EQ(Verdict(file), want) << file << ": " << check.Describe();
        if (want == "malformed") {
            ++malformed;
            EXPECT_FALSE(check.reason.empty()) << file;
        }
        (void)ConstructionOutcome(file, PortableVersionLibrary());
    }
    EXPECT_GE(malformed, 40);
}

}  // namespace
}  // namespace corvanta::test
