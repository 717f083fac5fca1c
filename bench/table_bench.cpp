// Appending and posting rows into a two-column table whose data source tells
// a display of every row, beside a plain vector of string pairs as the floor.
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "inventory/mem_table.h"

namespace {

using Clock = std::chrono::steady_clock;

struct CountingLink : corvanta::DataLink {
    void RecordPosted(std::size_t row) override { last = row; }
    void DataSetChanged() override {}
    std::size_t last = 0;
};

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

}  // namespace

int main() {
    constexpr std::size_t kRows = 1'000'000;
    std::vector<std::string> names(kRows);
    std::vector<std::string> versions(kRows);
    for (std::size_t i = 0; i < kRows; ++i) {
        names[i] = "Program number " + std::to_string(i * 7919 % kRows) + " from a vendor";
        versions[i] = std::to_string(i % 97) + "." + std::to_string(i % 13) + ".0";
    }

    double best_table = 1e9, best_vector = 1e9;
    for (int round = 0; round < 3; ++round) {
        {
            corvanta::MemTable table("bench", {{"Software", 100}, {"Version", 50}});
            corvanta::DataSource source(table);
            CountingLink link;
            source.SetLink(&link);
            table.Open();
            const auto start = Clock::now();
            for (std::size_t i = 0; i < kRows; ++i) {
                table.Append();
                table.SetColumn(0, names[i]);
                table.SetColumn(1, versions[i]);
                table.Post();
            }
            best_table = std::min(best_table, Seconds(start));
            if (link.last != kRows - 1) return 1;
        }
        {
            std::vector<std::pair<std::string, std::string>> rows;
            const auto start = Clock::now();
            for (std::size_t i = 0; i < kRows; ++i)
                rows.emplace_back(names[i].substr(0, 100), versions[i].substr(0, 50));
            best_vector = std::min(best_vector, Seconds(start));
            if (rows.size() != kRows) return 1;
        }
    }
    std::printf("table: %zu rows appended and posted, display told of each\n", kRows);
    std::printf("  table   %.3f s  %.2f million rows/s\n", best_table, kRows / best_table / 1e6);
    std::printf("  vector  %.3f s  %.2f million rows/s (vector of string pairs)\n", best_vector,
                kRows / best_vector / 1e6);
    std::printf("  ratio table/vector: %.2f\n", best_table / best_vector);
    return 0;
}
