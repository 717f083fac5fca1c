#pragma once
// Process image paths by process id, for the process scan's fallback; logs
// each question into a shared log so its place among the WMI calls shows.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "processes/process_image.h"

namespace corvanta::test {

class FakeProcessImage : public ProcessImage {
public:
    // The processes Windows gives a path for; any other id gives none.
    std::map<std::uint32_t, std::string> paths;
    std::vector<std::string>* log = nullptr;

    std::optional<std::string> ImagePath(std::uint32_t process_id) const override {
        if (log) log->push_back("ImagePath(" + std::to_string(process_id) + ")");
        const auto it = paths.find(process_id);
        if (it == paths.end()) return std::nullopt;
        return it->second;
    }
};

}  // namespace corvanta::test
