// The reader's own steps, over a fake version library: the order of the
// operations, the exceptions and their messages, the lookup path, and that
// nothing the library hands back is read beyond the block.
#include <gtest/gtest.h>

#include <type_traits>

#include "construction_outcome.h"
#include "fake_version_library.h"
#include "processes/VerInfo.h"

namespace corvanta {
namespace {

static_assert(std::is_base_of_v<Exception, EVerInfoError>);
static_assert(std::is_base_of_v<Exception, ENoVerInfoError>);
static_assert(std::is_base_of_v<Exception, eNoFixeVerInfo>);
static_assert(!std::is_base_of_v<EVerInfoError, ENoVerInfoError>);
static_assert(!std::is_base_of_v<EVerInfoError, eNoFixeVerInfo>);

constexpr const char* kTranslation = "\\VarFileInfo\\Translation";

// A block of 128 bytes: the translation at 0 (language 0x0409, code page
// 0x04B0), fixed information at 8, text at 64.
FakeVersionLibrary Healthy() {
    FakeVersionLibrary fake;
    fake.size = 128;
    fake.handle = 77;
    fake.bytes.assign(128, 0);
    fake.bytes[0] = 0x09;
    fake.bytes[1] = 0x04;
    fake.bytes[2] = 0xB0;
    fake.bytes[3] = 0x04;
    const char text[] = "Vendor";
    std::copy(text, text + sizeof text, fake.bytes.begin() + 64);
    fake.answers[kTranslation] = {0, 4};
    fake.answers["\\"] = {8, 52};
    fake.answers["\\StringFileInfo\\040904B0\\CompanyName"] = {64, 7};
    return fake;
}

std::string Outcome(const FakeVersionLibrary& fake) { return testing::ConstructionOutcome("x.exe", fake); }

TEST(VerInfoReader, ReadsOnceWithTheReportedHandleAndSize) {
    const FakeVersionLibrary fake = Healthy();
    TVerInfoRes reader("x.exe", fake);
    EXPECT_EQ(reader.GetVersionString(0), "Vendor");
    EXPECT_EQ(reader.GetVersionString(0), "Vendor");
    const std::vector<std::string> expected = {
        "size x.exe", "read x.exe 77 128", std::string("query ") + kTranslation, "query \\",
        "query \\StringFileInfo\\040904B0\\CompanyName", "query \\StringFileInfo\\040904B0\\CompanyName"};
    EXPECT_EQ(fake.calls, expected);
}

TEST(VerInfoReader, ConstructionFailures) {
    const struct {
        const char* name;
        void (*spoil)(FakeVersionLibrary&);
        const char* outcome;
    } cases[] = {
        {"no block", [](FakeVersionLibrary& f) { f.size = 0; }, "ENoVerInfoError: No Version Info Available."},
        // A size that does not fit the signed field is no size at all.
        {"size beyond 2 GiB", [](FakeVersionLibrary& f) { f.size = 0x80000000u; },
         "ENoVerInfoError: No Version Info Available."},
        {"read fails", [](FakeVersionLibrary& f) { f.read_ok = false; }, "EVerInfoError: Cannot obtain version info."},
        {"no translation", [](FakeVersionLibrary& f) { f.answers.erase(kTranslation); },
         "EVerInfoError: No language info."},
        {"translation of 3 bytes", [](FakeVersionLibrary& f) { f.answers[kTranslation] = {0, 3}; },
         "EVerInfoError: No language info."},
        {"translation outside the block", [](FakeVersionLibrary& f) { f.answers[kTranslation] = {126, 4}; },
         "EVerInfoError: No language info."},
        {"no fixed information", [](FakeVersionLibrary& f) { f.answers.erase("\\"); },
         "eNoFixeVerInfo: No fixed file info"},
        {"fixed information of 51 bytes", [](FakeVersionLibrary& f) { f.answers["\\"] = {8, 51}; },
         "eNoFixeVerInfo: No fixed file info"},
        {"fixed information past the block", [](FakeVersionLibrary& f) { f.answers["\\"] = {100, 52}; },
         "eNoFixeVerInfo: No fixed file info"},
        {"fixed information before the block", [](FakeVersionLibrary& f) { f.answers["\\"] = {-64, 52}; },
         "eNoFixeVerInfo: No fixed file info"},
    };
    for (const auto& c : cases) {
        FakeVersionLibrary fake = Healthy();
        c.spoil(fake);
        EXPECT_EQ(Outcome(fake), c.outcome) << c.name;
    }
}

TEST(VerInfoReader, StopsAtTheFirstFailure) {
    FakeVersionLibrary fake = Healthy();
    fake.size = 0;
    EXPECT_THROW(TVerInfoRes("x.exe", fake), ENoVerInfoError);
    EXPECT_EQ(fake.calls, std::vector<std::string>{"size x.exe"});

    fake = Healthy();
    fake.answers.erase(kTranslation);
    EXPECT_THROW(TVerInfoRes("x.exe", fake), EVerInfoError);
    EXPECT_EQ(fake.calls.back(), std::string("query ") + kTranslation) << "fixed information not asked for";
}

TEST(VerInfoReader, LookupPathHasFourUpperCaseHexDigitsEach) {
    const struct {
        unsigned char translation[4];
        std::uint8_t index;
        const char* path;
    } cases[] = {
        {{0x09, 0x04, 0xE4, 0x04}, 0, "\\StringFileInfo\\040904E4\\CompanyName"},
        {{0x09, 0x04, 0xB0, 0x04}, 1, "\\StringFileInfo\\040904B0\\FileDescription"},
        {{0x0C, 0x00, 0xAB, 0x00}, 7, "\\StringFileInfo\\000C00AB\\ProductName"},
        {{0xEF, 0xBE, 0xFE, 0xCA}, 9, "\\StringFileInfo\\BEEFCAFE\\Comments"},
    };
    for (const auto& c : cases) {
        FakeVersionLibrary fake = Healthy();
        std::copy(c.translation, c.translation + 4, fake.bytes.begin());
        fake.answers[c.path] = {64, 7};
        TVerInfoRes reader("x.exe", fake);
        EXPECT_EQ(reader.GetVersionString(c.index), "Vendor") << c.path;
    }
}

TEST(VerInfoReader, AllTenKeyNames) {
    const char* names[] = {"CompanyName",     "FileDescription",  "FileVersion", "InternalName",
                           "LegalCopyright",  "LegalTrademarks",  "OriginalFilename", "ProductName",
                           "ProductVersion",  "Comments"};
    for (std::uint8_t i = 0; i < TVerInfoRes::kKeyCount; ++i) EXPECT_STREQ(TVerInfoRes::KeyName(i), names[i]);
}

TEST(VerInfoReader, LookupsThatFindNothingGiveEmptyText) {
    FakeVersionLibrary fake = Healthy();
    const std::string path = "\\StringFileInfo\\040904B0\\CompanyName";
    const struct {
        const char* name;
        FakeVersionLibrary::Answer answer;
        std::string text;
    } cases[] = {
        {"text at the block's last bytes, no NUL", {125, 3}, "abc"},
        {"pointer past the block", {200, 4}, ""},
        {"pointer before the block", {-8, 4}, ""},
        {"pointer at the block's end", {128, 0}, ""},
    };
    fake.bytes[125] = 'a';
    fake.bytes[126] = 'b';
    fake.bytes[127] = 'c';
    for (const auto& c : cases) {
        fake.answers[path] = c.answer;
        TVerInfoRes reader("x.exe", fake);
        EXPECT_EQ(reader.GetVersionString(0), c.text) << c.name;
    }

    fake.answers.erase(path);
    TVerInfoRes missing("x.exe", fake);
    EXPECT_EQ(missing.GetVersionString(0), "");

    fake.throw_on = path;
    TVerInfoRes throwing("x.exe", fake);
    EXPECT_EQ(throwing.GetVersionString(0), "");
}

}  // namespace
}  // namespace corvanta
