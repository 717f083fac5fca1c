#include "processes/version_check.h"

#include "processes/version_block.h"

namespace corvanta {

std::string VersionCheck::Describe() const {
    switch (verdict) {
        case Verdict::kSound:
            return "sound";
        case Verdict::kMalformed:
            return "malformed: " + reason;
        case Verdict::kNoResource:
            return "no version resource";
        case Verdict::kNotPe:
            return "not a PE image";
        case Verdict::kUnreadable:
            break;
    }
    return "unreadable";
}

VersionCheck CheckVersionInformation(const ByteSource& source) {
    using Outcome = StrictResource::Outcome;
    using Verdict = VersionCheck::Verdict;
    const StrictResource resource = FindVersionResourceStrictly(source);
    switch (resource.outcome) {
        case Outcome::kFound:
            break;
        case Outcome::kMalformed:
            return {Verdict::kMalformed, resource.reason};
        case Outcome::kNoResource:
            return {Verdict::kNoResource, {}};
        case Outcome::kNotPe:
            return {Verdict::kNotPe, {}};
        case Outcome::kUnreadable:
            return {Verdict::kUnreadable, {}};
    }
    if (const char* fault = FindVersionTreeFault(resource.bytes)) return {Verdict::kMalformed, fault};
    return {Verdict::kSound, {}};
}

VersionCheck CheckVersionFile(const std::string& path) {
    const FileSource file(path);
    if (!file.IsOpen()) return {VersionCheck::Verdict::kUnreadable, {}};
    return CheckVersionInformation(file);
}

}  // namespace corvanta
