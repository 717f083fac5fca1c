#pragma once
// A version library for tests of the reader's own steps: it reports a given
// size and handle, fills the block with given bytes and answers value
// queries from a table of offsets into the block, recording every call.
#include <cstdint>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "processes/version_library.h"

namespace corvanta::test {

class ScriptedVersionLibrary : public VersionLibrary {
public:
    struct Answer {
        std::int64_t offset;  // from the block's start; may point outside it
        std::uint32_t length;
    };

    std::uint32_t size = 0;
    std::uint32_t handle = 0;
    bool read_ok = true;
    std::vector<unsigned char> bytes;       // copied to the block's start
    std::map<std::string, Answer> answers;  // by sub-block path
    std::string throw_on;                   // a path whose query throws

    mutable std::vector<std::string> calls;

    std::uint32_t SizeQuery(const std::string& file_name, std::uint32_t* out_handle) const override {
        calls.push_back("size " + file_name);
        *out_handle = handle;
        return size;
    }

    bool BlockRead(const std::string& file_name, std::uint32_t in_handle, std::uint32_t in_size,
                   void* buffer) const override {
        calls.push_back("read " + file_name + " " + std::to_string(in_handle) + " " + std::to_string(in_size));
        if (!read_ok) return false;
        std::memcpy(buffer, bytes.data(), std::min<std::size_t>(bytes.size(), in_size));
        return true;
    }

    bool ValueQuery(const void* block, const std::string& sub_block, const void** value,
                    std::uint32_t* length) const override {
        calls.push_back("query " + sub_block);
        if (sub_block == throw_on) throw std::runtime_error("query failed");
        const auto it = answers.find(sub_block);
        if (it == answers.end()) return false;
        // Address arithmetic only: the reader must refuse what lies outside.
        *value = reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(block) +
                                               static_cast<std::uintptr_t>(it->second.offset));
        *length = it->second.length;
        return true;
    }
};

}  // namespace corvanta::test
