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

namespace corvanta {
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
    return testing::ConstructionOutcome(file, library);
}

struct Loaded {
    const char* file;
    std::uint32_t translation;
    std::map<int, std::string> strings;  // indexes not listed read as empty
};

const Loaded kLoaded[] = {
    {"full_04b0.dll", 0x04B00409,
     {{0, "Caf\xE9 Corp"}, {1, "Full fixture"}, {2, "1.2.3.4"}, {3, "full"}, {4, "Copyright 2026"},
      {5, ""}, {6, "full_04b0.dll"}, {7, "Price \x80 5"}, {8, "5.6.7.8"}, {9, "Smile ?!"}}},
    {"ansi_04e4.dll", 0x04E40409, {{0, "Ansi Vendor"}, {1, "Ansi fixture"}, {7, "Ansi Product"}}},
    {"second_translation.dll", 0x04B00409, {}},
    {"languages.dll", 0x04B00409, {{0, "English"}}},
    {"german_only.dll", 0x04B00407, {{0, "Nur Deutsch"}}},
    {"embedded_nul.dll", 0x04B00409, {{0, "abc"}, {7, "Mixed case"}}},
    {"unterminated.dll", 0x04B00409, {{7, "abc"}, {9, "xyz"}}},
};

TEST(VerInfoFixtures, StringsOfTheFirstTranslation) {
    for (const Library& library : Libraries()) {
        for (const Loaded& expected : kLoaded) {
            SCOPED_TRACE(std::string(library.name) + " " + expected.file);
            const std::string file = Fixture(expected.file);
            ASSERT_EQ(Outcome(file, library.get()), "ok");
            TVerInfoRes reader(file, library.get());
            EXPECT_EQ(reader.GetTranslation(), expected.translation);
            for (std::uint8_t index = 0; index < TVerInfoRes::kKeyCount; ++index) {
                const auto it = expected.strings.find(index);
                const std::string want = it != expected.strings.end() ? it->second : "";
                EXPECT_EQ(reader.GetVersionString(index), want) << TVerInfoRes::KeyName(index);
                EXPECT_EQ(reader.GetVersionString(index), want) << "second lookup";
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
        EXPECT_EQ(reader.GetVersionString(1), "Full fixture") << library.name;
    }
}

}  // namespace
}  // namespace corvanta
