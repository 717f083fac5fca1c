// The reader's own steps, over a fake version library: the order of the
// operations, the exceptions and their messages, the lookup path, and that
// nothing the library hands back is read beyond the block.
#include <gtest/gtest.h>

#include <type_traits>

#include "tests/verinfo/construction_outcome.h"
#include "tests/verinfo/scripted_version_library.h"
#include "processes/VerInfo.h"

namespace corvanta::test {
namespace {

static_assert(std::is_base_of_v<Exception, EVerInfoError>);
static_assert(std::is_base_of_v<Exception, ENoVerInfoError>);
static_assert(std::is_base_of_v<Exception, eNoFixeVerInfo>);
static_assert(!std::is_base_of_v<EVerInfoError, ENoVerInfoError>);
static_assert(!std::is_base_of_v<EVerInfoError, eNoFixeVerInfo>);

constexpr const char* kTranslation = "\\VarFileInfo\\Translation";

// A block of 128 bytes: the translation at 0 (language 0x0409, code page
// 0x04B0), fixed information at 8, text at 64.
ScriptedVersionLibrary Healthy() {
    ScriptedVersionLibrary fake;
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

std::string Outcome(const ScriptedVersionLibrary& fake) { return ConstructionOutcome("x.exe", fake); }

TEST(VerInfoReader, ReadsOnceWithTheReportedHandleAndSize) {
    const ScriptedVersionLibrary fake = Healthy();
    TVerInfoRes reader("x.exe", fake);
    EXPECT_EQ(reader.GetVersionString(VersionKey::kCompanyName), "Vendor");
    EXPECT_EQ(reader.GetVersionString(VersionKey::kCompanyName), "Vendor");
    const std::vector<std::string> expected = {"size x.exe",
                                               "read x.exe 77 128",
                                               std::string("query ") + kTranslation,
                                               "query \\",
                                               "query \\StringFileInfo\\040904B0\\CompanyName",
                                               "query \\StringFileInfo\\040904B0\\CompanyName"};
    EXPECT_EQ(fake.calls, expected);
}

TEST(VerInfoReader, ConstructionFailures) {
    const struct {
        const char* name;
        void (*spoil)(ScriptedVersionLibrary&);
        const char* outcome;
    } cases[] = {
        {"no block", [](ScriptedVersionLibrary& f) { f.size = 0; }, "ENoVerInfoError: No Version Info Available."},
        // A size that does not fit the signed field is no size at all.
        {"size beyond 2 GiB", [](ScriptedVersionLibrary& f) { f.size = 0x80000000u; },
         "ENoVerInfoError: No Version Info Available."},
        {"read fails", [](ScriptedVersionLibrary& f) { f.read_ok = false; },
         "EVerInfoError: Cannot obtain version info."},
        {"no translation", [](ScriptedVersionLibrary& f) { f.answers.erase(kTranslation); },
         "EVerInfoError: No language info."},
        {"translation of 3 bytes",
         [](ScriptedVersionLibrary& f) {
             f.answers[kTranslation] = {0, 3};
         },
         "EVerInfoError: No language info."},
        {"translation outside the block",
         [](ScriptedVersionLibrary& f) {
             f.answers[kTranslation] = {126, 4};
         },
         "EVerInfoError: No language info."},
        {"no fixed information", [](ScriptedVersionLibrary& f) { f.answers.erase("\\"); },
         "eNoFixeVerInfo: No fixed file info"},
        {"fixed information of 51 bytes",
         [](ScriptedVersionLibrary& f) {
             f.answers["\\"] = {8, 51};
         },
         "eNoFixeVerInfo: No fixed file info"},
        {"fixed information past the block",
         [](ScriptedVersionLibrary& f) {
             f.answers["\\"] = {100, 52};
         },
         "eNoFixeVerInfo: No fixed file info"},
        {"fixed information before the block",
         [](ScriptedVersionLibrary& f) {
             f.answers["\\"] = {-64, 52};
         },
         "eNoFixeVerInfo: No fixed file info"},
    };
    for (const auto& c : cases) {
        ScriptedVersionLibrary fake = Healthy();
        c.spoil(fake);
        EXPECT_EQ(Outcome(fake), c.outcome) << c.name;
    }
}

TEST(VerInfoReader, StopsAtTheFirstFailure) {
    ScriptedVersionLibrary fake = Healthy();
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
        VersionKey key;
        const char* path;
    } cases[] = {
        {{0x09, 0x04, 0xE4, 0x04}, VersionKey::kCompanyName, "\\StringFileInfo\\040904E4\\CompanyName"},
        {{0x09, 0x04, 0xB0, 0x04}, VersionKey::kFileDescription, "\\StringFileInfo\\040904B0\\FileDescription"},
        {{0x0C, 0x00, 0xAB, 0x00}, VersionKey::kProductName, "\\StringFileInfo\\000C00AB\\ProductName"},
        {{0xEF, 0xBE, 0xFE, 0xCA}, VersionKey::kComments, "\\StringFileInfo\\BEEFCAFE\\Comments"},
    };
    for (const auto& c : cases) {
        ScriptedVersionLibrary fake = Healthy();
        std::copy(c.translation, c.translation + 4, fake.bytes.begin());
        fake.answers[c.path] = {64, 7};
        TVerInfoRes reader("x.exe", fake);
        EXPECT_EQ(reader.GetVersionString(c.key), "Vendor") << c.path;
    }
}

TEST(VerInfoReader, AllTenKeyNames) {
    const char* names[] = {"CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
                           "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments"};
    for (std::uint8_t i = 0; i < TVerInfoRes::kKeyCount; ++i) EXPECT_STREQ(TVerInfoRes::KeyName(i), names[i]);
}

TEST(VerInfoReader, LookupsThatFindNothingGiveEmptyText) {
    ScriptedVersionLibrary fake = Healthy();
    const std::string path = "\\StringFileInfo\\040904B0\\CompanyName";
    const struct {
        const char* name;
        ScriptedVersionLibrary::Answer answer;
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
        EXPECT_EQ(reader.GetVersionString(VersionKey::kCompanyName), c.text) << c.name;
    }

    fake.answers.erase(path);
    TVerInfoRes missing("x.exe", fake);
    EXPECT_EQ(missing.GetVersionString(VersionKey::kCompanyName), "");

    fake.throw_on = path;
    TVerInfoRes throwing("x.exe", fake);
    EXPECT_EQ(throwing.GetVersionString(VersionKey::kCompanyName), "");
}

}  // namespace
}  // namespace corvanta::test
