#pragma once
// The three operations of the platform's version library that the version
// information reader needs, behind one small interface so the reader runs
// on the host too. On Windows they are version.dll's; the host reads the
// version resource straight from the PE file.
#include <cstdint>
#include <string>

namespace corvanta {

class VersionLibrary {
public:
    virtual ~VersionLibrary() = default;

    // Size in bytes of the buffer the file's version block needs, or 0 when
    // the file has none or cannot be read. *handle receives the value to
    // hand to BlockRead.
    virtual std::uint32_t SizeQuery(const std::string& file_name, std::uint32_t* handle) const = 0;

    // Fills buffer (size bytes, as SizeQuery reported) with the block.
    virtual bool BlockRead(const std::string& file_name, std::uint32_t handle, std::uint32_t size,
                           void* buffer) const = 0;

    // Looks up sub_block ("\", "\VarFileInfo\Translation",
    // "\StringFileInfo\<lang><cp>\<key>") in a block that BlockRead filled.
    // On success *value points into the block. String values are 8-bit text
    // with a terminating NUL; *length is then the count of 8-bit characters
    // converted (the NUL included when the stored value held one), for other
    // values it is the value's size in bytes.
    virtual bool ValueQuery(const void* block, const std::string& sub_block, const void** value,
                            std::uint32_t* length) const = 0;
};

// version.dll on Windows, asked only about files that pass the strict check
// (version_check.h): a file that fails it has no version information, as if
// the size query had said 0. The portable reader in the host build.
const VersionLibrary& SystemVersionLibrary();

// version.dll asked about every file, for the dump tool and the benchmarks;
// the portable reader in the host build.
const VersionLibrary& UncheckedSystemVersionLibrary();

// The portable reader, in both builds (tests compare it with version.dll).
const VersionLibrary& PortableVersionLibrary();

}  // namespace corvanta
