// Under Wine: the corrupted fixtures of make_corrupt.py through the real,
// checked version library, alone and in the whole process scan. version.dll
// faults on several of them when it is asked; the check must keep it from
// being asked, and keep the answers on the others as they were.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "construction_outcome.h"
#include "processes/VerInfo.h"
#include "processes/process_image.h"
#include "processes/process_scan.h"
#include "tests/processes/fake_wmi.h"
#include "verinfo_fixture_dir.h"

namespace corvanta::test {
namespace {

struct CorruptFile {
    std::string path;
    std::string expected;  // sound, malformed or "not a PE image"
};

std::vector<CorruptFile> Corpus() {
    const std::string dir = std::string(VERINFO_FIXTURE_DIR) + "\\corrupt\\";
    std::vector<CorruptFile> files;
    std::ifstream expected(dir + "expected.txt");
    std::string line;
    while (std::getline(expected, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        files.push_back({dir + line.substr(0, tab) + ".dll", line.substr(tab + 1)});
    }
    return files;
}

// What a reader makes of the file: its outcome, and its strings when it loads.
std::string Reading(const std::string& file, const VersionLibrary& library) {
    std::string result = ConstructionOutcome(file, library);
    if (result != "ok") return result;
    const TVerInfoRes reader(file, library);
    for (const VersionKey key : kVersionKeys) result += "|" + reader.GetVersionString(key);
    return result;
}

TEST(CorruptCorpusWine, CheckedVersionDllNeverSeesAMalformedFile) {
    const std::vector<CorruptFile> corpus = Corpus();
    ASSERT_GE(corpus.size(), 60u);
    for (const CorruptFile& file : corpus) {
        SCOPED_TRACE(file.path);
        if (file.expected == "malformed") {
            EXPECT_EQ(ConstructionOutcome(file.path, SystemVersionLibrary()),
                      "ENoVerInfoError: No Version Info Available.");
        } else {
            // Passed on to version.dll: it reads them as the portable reader does.
            EXPECT_EQ(Reading(file.path, SystemVersionLibrary()), Reading(file.path, PortableVersionLibrary()));
        }
    }
}

class CountingCursor : public CursorService {
public:
    void ShowBusyCursor() override { ++busy; }
    void ShowDefaultCursor() override { ++defaults; }
    int busy = 0;
    int defaults = 0;
};

TEST(CorruptCorpusWine, ProcessScanPostsEveryRow) {
    const std::vector<CorruptFile> corpus = Corpus();
    ASSERT_FALSE(corpus.empty());
    FakeWmi wmi;
    for (std::size_t i = 0; i < corpus.size(); ++i) {
        const std::string caption = "hostile" + std::to_string(i) + ".exe";
        const std::string& path = corpus[i].path;
        wmi.processes.push_back(
            FakeProcess::Of(std::u16string(caption.begin(), caption.end()), std::u16string(path.begin(), path.end())));
    }
    InventoryTables t;
    CountingCursor cursor;
    RefreshProcesses(t, wmi, cursor, SystemVersionLibrary(), SystemProcessImage());

    ASSERT_EQ(t.tblProcesses.RecordCount(), corpus.size());
    for (std::size_t r = 0; r < corpus.size(); ++r) {
        SCOPED_TRACE(corpus[r].path);
        EXPECT_EQ(t.tblProcesses.Cell(r, 0), "hostile" + std::to_string(r) + ".exe");
        EXPECT_EQ(t.tblProcesses.Cell(r, 1), corpus[r].path);
        if (corpus[r].expected == "malformed") {
            for (std::size_t column = 2; column < 5; ++column) EXPECT_EQ(t.tblProcesses.Cell(r, column), "");
        }
    }
    EXPECT_EQ(cursor.busy, 1);
    EXPECT_EQ(cursor.defaults, 1);
    EXPECT_EQ(wmi.live_handles, 0);
}

}  // namespace
}  // namespace corvanta::test
