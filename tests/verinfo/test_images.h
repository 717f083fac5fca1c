#pragma once
// Builders for tests: version blocks (VS_VERSIONINFO trees) and small PE32
// and PE32+ images with a resource section, made in memory so each test
// shows exactly the bytes it is about.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace corvanta::test {

using Bytes = std::vector<std::byte>;

inline void Put16(Bytes& out, std::size_t at, std::uint16_t v) {
    out[at] = std::byte(v & 0xFF);
    out[at + 1] = std::byte(v >> 8);
}
inline void Put32(Bytes& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = std::byte((v >> (8 * i)) & 0xFF);
}
inline void Pad4(Bytes& out) {
    while (out.size() % 4 != 0) out.push_back(std::byte{0});
}
inline void AppendWide(Bytes& out, std::u16string_view text) {
    for (char16_t c : text) {
        out.push_back(std::byte(c & 0xFF));
        out.push_back(std::byte(c >> 8));
    }
}

// One node: header, key, value, children, each aligned to 4 from its start.
struct Node {
    std::u16string key = {};
    Bytes value = {};
    bool text = false;
    std::vector<Node> children = {};
    int value_length = -1;  // as stored; -1: computed from value
    int length = -1;        // as stored; -1: computed

    Bytes Build() const {
        Bytes out(6);
        AppendWide(out, key);
        AppendWide(out, std::u16string(1, u'\0'));
        Pad4(out);
        out.insert(out.end(), value.begin(), value.end());
        for (std::size_t i = 0; i < children.size(); ++i) {
            Pad4(out);
            const Bytes child = children[i].Build();
            out.insert(out.end(), child.begin(), child.end());
        }
        const std::size_t computed_value = text ? value.size() / 2 : value.size();
        Put16(out, 0, static_cast<std::uint16_t>(length >= 0 ? length : static_cast<int>(out.size())));
        Put16(out, 2, static_cast<std::uint16_t>(value_length >= 0 ? value_length : static_cast<int>(computed_value)));
        Put16(out, 4, text ? 1 : 0);
        return out;
    }
};

inline Node Text(std::u16string key, std::u16string_view text, bool terminated = true) {
    Node n{std::move(key), {}, true, {}};
    AppendWide(n.value, text);
    if (terminated) AppendWide(n.value, std::u16string(1, u'\0'));
    return n;
}

inline Bytes FixedInfo(std::size_t length = 52) {
    Bytes out(52);
    Put32(out, 0, 0xFEEF04BD);
    Put32(out, 4, 0x00010000);
    out.resize(length);
    return out;
}

// A usual block: fixed information, strings under 040904B0, translation.
inline Node UsualBlock(std::vector<Node> strings) {
    Node translation{u"Translation", Bytes(4)};
    Put16(translation.value, 0, 0x0409);
    Put16(translation.value, 2, 0x04B0);
    return Node{u"VS_VERSION_INFO",
                FixedInfo(),
                false,
                {Node{u"StringFileInfo", {}, true, {Node{u"040904B0", {}, true, std::move(strings)}}},
                 Node{u"VarFileInfo", {}, true, {translation}}}};
}

struct Resource {
    std::uint16_t type;
    std::uint16_t name;
    std::uint16_t language;
    Bytes data;
    std::uint32_t declared_size = 0xFFFFFFFF;  // as stored; default: data's size
};

struct ImageOptions {
    bool pe32_plus = false;
    std::size_t raw_cut = 0;          // bytes of the section left out of the file (they map as zeros)
    std::uint32_t named_types = 0;    // named type entries placed before the id entries
    std::uint32_t size_of_image = 0;  // as stored; 0: the end of the section
};

// A PE image with headers at 0, one section ".rsrc" at RVA 0x1000 / file
// offset 0x200 holding the resource tree.
inline Bytes BuildImage(const std::vector<Resource>& resources, const ImageOptions& options = {}) {
    constexpr std::uint32_t kSectionRva = 0x1000;
    constexpr std::uint32_t kSectionFile = 0x200;
    std::map<std::uint16_t, std::map<std::uint16_t, std::map<std::uint16_t, const Resource*>>> tree;
    for (const Resource& r : resources) tree[r.type][r.name][r.language] = &r;

    // The section: directories first, then data entries, then data.
    Bytes rsrc;
    auto directory = [&rsrc](std::uint16_t named, std::uint16_t ids) {
        const std::size_t at = rsrc.size();
        rsrc.resize(at + 16 + 8 * (named + ids));
        Put16(rsrc, at + 12, named);
        Put16(rsrc, at + 14, ids);
        return at;
    };
    struct Pending {
        std::size_t entry_at;
        const Resource* resource;
    };
    std::vector<Pending> leaves;
    const std::size_t root =
        directory(static_cast<std::uint16_t>(options.named_types), static_cast<std::uint16_t>(tree.size()));
    for (std::uint32_t i = 0; i < options.named_types; ++i) {
        Put32(rsrc, root + 16 + 8 * i, 0x80000000u);  // a name at offset 0: not an id
        Put32(rsrc, root + 16 + 8 * i + 4, 0x80000000u);
    }
    std::size_t type_slot = root + 16 + 8 * options.named_types;
    for (const auto& [type, names] : tree) {
        const std::size_t names_at = directory(0, static_cast<std::uint16_t>(names.size()));
        Put32(rsrc, type_slot, type);
        Put32(rsrc, type_slot + 4, 0x80000000u | static_cast<std::uint32_t>(names_at));
        type_slot += 8;
        std::size_t name_slot = names_at + 16;
        for (const auto& [name, languages] : names) {
            const std::size_t languages_at = directory(0, static_cast<std::uint16_t>(languages.size()));
            Put32(rsrc, name_slot, name);
            Put32(rsrc, name_slot + 4, 0x80000000u | static_cast<std::uint32_t>(languages_at));
            name_slot += 8;
            std::size_t language_slot = languages_at + 16;
            for (const auto& [language, resource] : languages) {
                Put32(rsrc, language_slot, language);
                leaves.push_back({language_slot + 4, resource});
                language_slot += 8;
            }
        }
    }
    for (const Pending& leaf : leaves) {
        const std::size_t entry = rsrc.size();
        rsrc.resize(entry + 16);
        Put32(rsrc, leaf.entry_at, static_cast<std::uint32_t>(entry));
        Pad4(rsrc);
        const std::size_t data = rsrc.size();
        rsrc.insert(rsrc.end(), leaf.resource->data.begin(), leaf.resource->data.end());
        Put32(rsrc, entry, kSectionRva + static_cast<std::uint32_t>(data));
        Put32(rsrc, entry + 4,
              leaf.resource->declared_size != 0xFFFFFFFF ? leaf.resource->declared_size
                                                         : static_cast<std::uint32_t>(leaf.resource->data.size()));
    }
    const auto virtual_size = static_cast<std::uint32_t>(rsrc.size());
    rsrc.resize(rsrc.size() - std::min(options.raw_cut, rsrc.size()));

    const std::size_t optional_size = options.pe32_plus ? 240 : 224;
    Bytes image(kSectionFile);
    image[0] = std::byte{'M'};
    image[1] = std::byte{'Z'};
    Put32(image, 0x3C, 0x40);
    image[0x40] = std::byte{'P'};
    image[0x41] = std::byte{'E'};
    const std::size_t file_header = 0x44;
    Put16(image, file_header, options.pe32_plus ? 0x8664 : 0x14C);
    Put16(image, file_header + 2, 1);
    Put16(image, file_header + 16, static_cast<std::uint16_t>(optional_size));
    const std::size_t optional = file_header + 20;
    Put16(image, optional, options.pe32_plus ? 0x20B : 0x10B);
    Put32(image, optional + 56, options.size_of_image != 0 ? options.size_of_image : kSectionRva + virtual_size);
    Put32(image, optional + 60, kSectionFile);  // SizeOfHeaders
    const std::size_t directories = optional + (options.pe32_plus ? 112 : 96);
    Put32(image, directories - 4, 16);  // NumberOfRvaAndSizes
    Put32(image, directories + 8 * 2, kSectionRva);
    Put32(image, directories + 8 * 2 + 4, virtual_size);
    const std::size_t section = optional + optional_size;
    const char name[8] = {'.', 'r', 's', 'r', 'c'};
    for (int i = 0; i < 8; ++i) image[section + i] = std::byte(name[i]);
    Put32(image, section + 8, virtual_size);
    Put32(image, section + 12, kSectionRva);
    Put32(image, section + 16, static_cast<std::uint32_t>(rsrc.size()));
    Put32(image, section + 20, kSectionFile);
    image.insert(image.end(), rsrc.begin(), rsrc.end());
    return image;
}

}  // namespace corvanta::test
