#pragma once
// The strict check run on a file before the system's version library reads
// it. That library trusts the file's offsets and lengths, so a hostile
// executable can make it read or write outside its buffers; the check turns
// away only files whose version resource would lead a trusting reader
// outside the data it was given, and says why.
#include <string>

#include "processes/pe_version_resource.h"

namespace corvanta {

struct VersionCheck {
    enum class Verdict {
        kSound,       // the way to the version block and its node tree lie inside the file
        kMalformed,   // something on that way lies outside; reason says what
        kNoResource,  // a sound PE image without a version resource
        kNotPe,       // not a PE image: the check has nothing to say
        kUnreadable,  // the file could not be opened or read
    };
    Verdict verdict = Verdict::kUnreadable;
    std::string reason;

    // Whether the file must not reach the system's version library.
    bool Rejects() const { return verdict == Verdict::kMalformed; }
    // One line for people: "sound", "malformed: <reason>", ...
    std::string Describe() const;
};

VersionCheck CheckVersionInformation(const ByteSource& source);
VersionCheck CheckVersionFile(const std::string& path);

}  // namespace corvanta
