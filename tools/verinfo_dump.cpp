// verinfo_dump: a developer's look at files' version information.
//
//   verinfo_dump FILE...            for each file, the reader's error, or
//                                   the translation and the ten strings
//   verinfo_dump --raw ROOT LIST    one tab-separated line per file named in
//                                   LIST (relative to ROOT): what the three
//                                   version-library operations return, for
//                                   comparing two implementations
//   --portable                      use the portable reader even on Windows
//   --unchecked                     on Windows, ask version.dll about every
//                                   file, also those the strict check turns away
//   --check                         also the strict check's verdict on each
//                                   file; with --raw, only the verdicts
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "processes/VerInfo.h"
#include "processes/version_check.h"
#include "processes/version_library.h"

namespace {

using corvanta::kVersionKeys;
using corvanta::TVerInfoRes;
using corvanta::VersionKey;
using corvanta::VersionLibrary;

std::string Escape(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void PrintReader(const std::string& file, const VersionLibrary& library, bool check) {
    std::printf("%s\n", file.c_str());
    if (check) std::printf("  Check: %s\n", corvanta::CheckVersionFile(file).Describe().c_str());
    try {
        TVerInfoRes reader(file, library);
        std::printf("  Translation: %08X\n", static_cast<unsigned>(reader.GetTranslation()));
        for (const VersionKey key : kVersionKeys) {
            std::printf("  %-17s %s\n", TVerInfoRes::KeyName(key), Escape(reader.GetVersionString(key)).c_str());
        }
    } catch (const corvanta::Exception& e) {
        std::printf("  %s\n", e.Message().c_str());
    }
}

// Text at value up to its NUL, never past the block's end.
std::string TextIn(const std::vector<char>& block, const void* value) {
    const char* begin = block.data();
    const char* end = begin + block.size();
    const char* p = static_cast<const char*>(value);
    if (p < begin || p >= end) return "<outside>";
    const void* nul = std::memchr(p, 0, static_cast<std::size_t>(end - p));
    return std::string(p, nul != nullptr ? static_cast<const char*>(nul) : end);
}

std::string RawLine(const std::string& path, const VersionLibrary& library) {
    std::uint32_t handle = 0;
    const std::uint32_t size = library.SizeQuery(path, &handle);
    if (size == 0) return "size=0";
    std::vector<char> block(size, '\0');
    if (!library.BlockRead(path, handle, size, block.data())) return "size>0\tread=failed";
    std::string line = "size>0";
    const void* value = nullptr;
    std::uint32_t length = 0;
    std::uint32_t translation = 0;
    bool have_translation = false;
    if (library.ValueQuery(block.data(), "\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
        std::memcpy(&translation, value, 4);
        have_translation = true;
        char text[32];
        std::snprintf(text, sizeof text, "\ttranslation=%08X", static_cast<unsigned>(translation));
        line += text;
    } else {
        line += "\ttranslation=none";
    }
    if (library.ValueQuery(block.data(), "\\", &value, &length)) {
        line += "\tfixed=" + std::to_string(length);
    } else {
        line += "\tfixed=none";
    }
    if (!have_translation) return line;
    for (const VersionKey key : kVersionKeys) {
        char sub_block[64];
        std::snprintf(sub_block, sizeof sub_block, "\\StringFileInfo\\%04X%04X\\%s",
                      static_cast<unsigned>(translation & 0xFFFF), static_cast<unsigned>(translation >> 16),
                      TVerInfoRes::KeyName(key));
        line += '\t';
        line += TVerInfoRes::KeyName(key);
        if (library.ValueQuery(block.data(), sub_block, &value, &length)) {
            line += "=" + Escape(TextIn(block, value));
        } else {
            line += ":missing";
        }
    }
    return line;
}

int RawDump(const std::string& root, const std::string& list, const VersionLibrary& library, bool check) {
    std::ifstream names(list);
    if (!names) {
        std::fprintf(stderr, "verinfo_dump: cannot read %s\n", list.c_str());
        return 2;
    }
    // The root says which separator the platform wants.
    const char separator = root.find('\\') != std::string::npos ? '\\' : '/';
    std::string name;
    while (std::getline(names, name)) {
        if (!name.empty() && name.back() == '\r') name.pop_back();
        if (name.empty()) continue;
        std::string path = root + separator;
        for (char c : name) path += c == '/' ? separator : c;
        const std::string line = check ? corvanta::CheckVersionFile(path).Describe() : RawLine(path, library);
        std::printf("%s\t%s\n", name.c_str(), line.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const VersionLibrary* library = &corvanta::SystemVersionLibrary();
    bool check = false;
    while (!args.empty() &&
           (args.front() == "--portable" || args.front() == "--unchecked" || args.front() == "--check")) {
        if (args.front() == "--portable") library = &corvanta::PortableVersionLibrary();
        if (args.front() == "--unchecked") library = &corvanta::UncheckedSystemVersionLibrary();
        if (args.front() == "--check") check = true;
        args.erase(args.begin());
    }
    const char* usage = "usage: verinfo_dump [--portable|--unchecked] [--check] FILE... | [...] --raw ROOT LIST\n";
    if (args.empty() || (args.front() == "--raw" && args.size() != 3)) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (args.front() == "--raw") return RawDump(args[1], args[2], *library, check);
    for (const std::string& file : args) PrintReader(file, *library, check);
    return 0;
}
