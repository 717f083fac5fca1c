// Reads the version information of every file in the Wine tree's Windows
// folders the way the process scan does: construct a reader, look up
// FileDescription, CompanyName and ProductName. Prints microseconds per
// file. Built on the host (portable reader) and for Windows (version.dll);
// bench/verinfo_bench.sh runs both and pefile side by side.
//
//   verinfo_bench [--rounds N] [FOLDER...]
// (default: the Wine tree's folders, tests/support/wine_system_folders.txt)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "processes/VerInfo.h"

namespace {

std::vector<std::string> DefaultFolders() {
    std::vector<std::string> folders;
    std::ifstream list(CORVANTA_WINE_SYSTEM_FOLDERS);
    for (std::string line; std::getline(list, line);)
        if (!line.empty()) folders.push_back(line);
    return folders;
}

// One pass over the files; returns how many had a usable reader.
int Pass(const std::vector<std::string>& files, std::size_t* text_bytes) {
    int readable = 0;
    for (const std::string& file : files) {
        try {
            corvanta::TVerInfoRes reader(file);
            *text_bytes += reader.GetVersionString(corvanta::VersionKey::kFileDescription).size() +
                           reader.GetVersionString(corvanta::VersionKey::kCompanyName).size() +
                           reader.GetVersionString(corvanta::VersionKey::kProductName).size();
            ++readable;
        } catch (const corvanta::Exception&) {
        }
    }
    return readable;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else {
            folders.push_back(arg);
        }
    }
    if (folders.empty()) folders = DefaultFolders();
    std::vector<std::string> files;
    for (const std::string& folder : folders) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (entry.is_regular_file()) files.push_back(entry.path().string());
        }
    }
    if (files.empty() || rounds < 1) {
        std::fprintf(stderr, "verinfo_bench: no files to read\n");
        return 1;
    }
    std::size_t text_bytes = 0;
    const int readable = Pass(files, &text_bytes);  // warms the file cache
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) Pass(files, &text_bytes);
    const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("verinfo_bench: %zu files, %d with version information, %d rounds\n", files.size(), readable, rounds);
    std::printf("us_per_file %.2f\n", elapsed.count() / (static_cast<double>(files.size()) * rounds));
    return 0;
}
