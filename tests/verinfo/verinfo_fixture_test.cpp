// The reader over real PE files built at test time. Every case runs through
// each version library the build has: on the host the portable reader; on
// Windows (under Wine) version.dll and the portable reader, so the two are
// held to the same results.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "construction_outcome.h"
#include "processes/VerInfo.h"
#include "verinfo_fixture_dir.h"

namespace corvanta::test {
namespace {

std::string Fixture(const std::string& name) {
    std::string dir = VERINFO_FIXTURE_DIR;
    const char separator = dir.find('\\') != std::string::npos ? '\\' : '/';
    return dir + separator + name;
}

struct Library {
    const char* name;
    const VersionLibrary& (*get)();
};

std::vector<Library> Libraries() {
    std::vector<Library> libraries = {{"portable", &PortableVersionLibrary}};
    if (&SystemVersionLibrary() != &PortableVersionLibrary()) {
        libraries.push_back({"system", &SystemVersionLibrary});
    }
    return libraries;
}

std::string Outcome(const std::string& file, const VersionLibrary& library) {
    return ConstructionOutcome(file, library);
}

struct Loaded {
    const char* file;
    std::uint32_t translation;
    std::map<VersionKey, std::string> strings;  // keys not listed read as empty
};

using enum VersionKey;
const Loaded kLoaded[] = {
    {"full_04b0.dll",
     0x04B00409,
     {{kCompanyName, "Caf\xE9 Corp"},
      {kFileDescription, "Full fixture"},
      {kFileVersion, "1.2.3.4"},
      {kInternalName, "full"},
      {kLegalCopyright, "Copyright 2026"},
      {kLegalTrademarks, ""},
      {kOriginalFilename, "full_04b0.dll"},
      {kProductName, "Price \x80 5"},
      {kProductVersion, "5.6.7.8"},
      {kComments, "Smile ?!"}}},
    {"ansi_04e4.dll",
     0x04E40409,
     {{kCompanyName, "Ansi Vendor"}, {kFileDescription, "Ansi fixture"}, {kProductName, "Ansi Product"}}},
    {"second_translation.dll", 0x04B00409, {}},
    {"languages.dll", 0x04B00409, {{kCompanyName, "English"}}},
    {"german_only.dll", 0x04B00407, {{kCompanyName, "Nur Deutsch"}}},
    {"embedded_nul.dll", 0x04B00409, {{kCompanyName, "abc"}, {kProductName, "Mixed case"}}},
    {"unterminated.dll", 0x04B00409, {{kProductName, "abc"}, {kComments, "xyz"}}},
};

TEST(VerInfoFixtures, StringsOfTheFirstTranslation) {
    for (const Library& library : Libraries()) {
        for (const Loaded& expected : kLoaded) {
            SCOPED_TRACE(std::string(library.name) + " " + expected.file);
            const std::string file = Fixture(expected.file);
            ASSERT_EQ(Outcome(file, library.get()), "ok");
            TVerInfoRes reader(file, library.get());
            EXPECT_EQ(reader.GetTranslation(), expected.translation);
            for (const VersionKey key : kVersionKeys) {
                const auto it = expected.strings.find(key);
                const std::string want = it != expected.strings.end() ? it->second : "";
                EXPECT_EQ(reader.GetVersionString(key), want) << TVerInfoRes::KeyName(key);
                EXPECT_EQ(reader.GetVersionString(key), want) << "second lookup";
            }
        }
    }
}

TEST(VerInfoFixtures, UnusableVersionInformationRaises) {
    const struct {
        std::string file;
        const char* outcome;
    } cases[] = {
        {Fixture("no_version.dll"), "ENoVerInfoError: No Version Info Available."},
        {Fixture("does_not_exist.dll"), "ENoVerInfoError: No Version Info Available."},
        {"", "ENoVerInfoError: No Version Info Available."},
        {Fixture("full_04b0.res.o"), "ENoVerInfoError: No Version Info Available."},  // not a PE file
        {Fixture("no_translation.dll"), "EVerInfoError: No language info."},
        {Fixture("short_translation.dll"), "EVerInfoError: No language info."},
        {Fixture("no_fixed.dll"), "eNoFixeVerInfo: No fixed file info"},
        {Fixture("short_fixed.dll"), "eNoFixeVerInfo: No fixed file info"},
    };
    for (const Library& library : Libraries()) {
        for (const auto& c : cases) {
            EXPECT_EQ(Outcome(c.file, library.get()), c.outcome) << library.name << " " << c.file;
        }
    }
}

// The reader works on its own copy: once constructed it holds no file, so
// the file can go (Windows refuses to delete a file that is open).
TEST(VerInfoFixtures, HoldsNoFileOpen) {
    namespace fs = std::filesystem;
    for (const Library& library : Libraries()) {
        const fs::path copy = fs::temp_directory_path() / (std::string("verinfo_copy_") + library.name + ".dll");
        fs::copy_file(Fixture("full_04b0.dll"), copy, fs::copy_options::overwrite_existing);
        TVerInfoRes reader(copy.string(), library.get());
        std::error_code error;
        EXPECT_TRUE(fs::remove(copy, error)) << library.name << ": " << error.message();
        EXPECT_EQ(reader.GetVersionString(VersionKey::kFileDescription), "Full fixture") << library.name;
    }
}

}  // namespace
}  // namespace corvanta::test
