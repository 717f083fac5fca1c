#pragma once
// A version library over made-up files: each file name maps to the string
// values of its first translation, with switches for the parts a broken
// version block lacks. The block is this fake's own layout, a list of
// length-prefixed (sub-block path, value) pairs, so ValueQuery hands out
// pointers into the block as the real one does.
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "processes/fixed_file_info.h"
#include "processes/version_library.h"

namespace corvanta::test {

struct FakeVersionFile {
    std::map<std::string, std::string> strings;  // key name -> value
    bool translation = true;
    bool fixed_info = true;
};

class FileTableVersionLibrary : public VersionLibrary {
public:
    std::map<std::string, FakeVersionFile> files;
    // The file names handed to SizeQuery, in order.
    mutable std::vector<std::string> opened;

    std::uint32_t SizeQuery(const std::string& file_name, std::uint32_t* handle) const override {
        opened.push_back(file_name);
        *handle = 0;
        const auto it = files.find(file_name);
        return it == files.end() ? 0 : static_cast<std::uint32_t>(Block(it->second).size());
    }

    bool BlockRead(const std::string& file_name, std::uint32_t, std::uint32_t size, void* buffer) const override {
        const auto it = files.find(file_name);
        if (it == files.end()) return false;
        const std::vector<char> block = Block(it->second);
        if (block.size() != size) return false;
        std::memcpy(buffer, block.data(), size);
        return true;
    }

    bool ValueQuery(const void* block, const std::string& sub_block, const void** value,
                    std::uint32_t* length) const override {
        const char* p = static_cast<const char*>(block);
        const std::uint32_t total = Read32(p);
        std::uint32_t at = 4;
        while (at < total) {
            const std::uint32_t path_length = Read32(p + at);
            const std::string path(p + at + 4, path_length);
            at += 4 + path_length;
            const std::uint32_t value_length = Read32(p + at);
            at += 4;
            if (path == sub_block) {
                *value = p + at;
                *length = value_length;
                return true;
            }
            at += value_length;
        }
        return false;
    }

private:
    static std::uint32_t Read32(const char* p) {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    static void Put(std::vector<char>& out, const std::string& path, const std::string& value) {
        for (const std::string* part : {&path, &value}) {
            const auto n = static_cast<std::uint32_t>(part->size());
            out.insert(out.end(), reinterpret_cast<const char*>(&n), reinterpret_cast<const char*>(&n) + 4);
            out.insert(out.end(), part->begin(), part->end());
        }
    }
    // Language 0x0409, code page 0x04E4.
    static std::vector<char> Block(const FakeVersionFile& file) {
        std::vector<char> out(4);
        if (file.translation) Put(out, "\\VarFileInfo\\Translation", std::string("\x09\x04\xE4\x04", 4));
        if (file.fixed_info) Put(out, "\\", std::string(sizeof(FixedFileInfo), '\0'));
        for (const auto& [key, text] : file.strings)
            Put(out, "\\StringFileInfo\\040904E4\\" + key, text + std::string(1, '\0'));
        const auto total = static_cast<std::uint32_t>(out.size());
        std::memcpy(out.data(), &total, 4);
        return out;
    }
};

}  // namespace corvanta::test
