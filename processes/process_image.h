#pragma once
// Where a running process's executable lies, asked of Windows by process id.
// The process scan falls back on it when WMI gives no path (services, SYSTEM
// processes and other sessions for a user without elevation; every process
// under Wine). Behind an interface so the scan runs on the host over a fake.
#include <cstdint>
#include <optional>
#include <string>

namespace corvanta {

class ProcessImage {
public:
    virtual ~ProcessImage() = default;

    // The full Win32 path of the process's image, in 8-bit text; nullopt
    // when Windows does not give it (no access, the process has ended, no
    // such process). Only running out of memory raises.
    virtual std::optional<std::string> ImagePath(std::uint32_t process_id) const = 0;
};

// OpenProcess with PROCESS_QUERY_LIMITED_INFORMATION, then
// QueryFullProcessImageNameA (Windows build only).
const ProcessImage& SystemProcessImage();

}  // namespace corvanta
