// version.dll's three functions, with the file system seen as the path
// names it: a 32-bit process on 64-bit Windows would otherwise be sent from
// System32 to SysWOW64 and read a different file, or none. version.dll
// trusts the file's offsets and lengths, so the checked library first runs
// the strict check on the very file it would read.
#include <windows.h>

#include "processes/version_check.h"
#include "processes/version_library.h"

namespace corvanta {
namespace {

// Turns WOW64 file-system redirection off for this thread while it lives.
// On a system without WOW64 there is nothing to turn off.
class RedirectionOff {
public:
    RedirectionOff() { disabled_ = Wow64DisableWow64FsRedirection(&previous_) != FALSE; }
    ~RedirectionOff() {
        if (disabled_) Wow64RevertWow64FsRedirection(previous_);
    }
    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;

private:
    PVOID previous_ = nullptr;
    bool disabled_ = false;
};

class WindowsLibrary final : public VersionLibrary {
public:
    explicit WindowsLibrary(bool checked) : checked_(checked) {}

    std::uint32_t SizeQuery(const std::string& file_name, std::uint32_t* handle) const override {
        DWORD value = 0;
        DWORD size = 0;
        {
            RedirectionOff redirection;
            // A file the check cannot open or read is left to version.dll.
            if (!checked_ || !CheckVersionFile(file_name).Rejects()) {
                size = GetFileVersionInfoSizeA(file_name.c_str(), &value);
            }
        }
        if (handle != nullptr) *handle = value;
        return size;
    }

    bool BlockRead(const std::string& file_name, std::uint32_t handle, std::uint32_t size,
                   void* buffer) const override {
        RedirectionOff redirection;
        return GetFileVersionInfoA(file_name.c_str(), handle, size, buffer) != FALSE;
    }

    bool ValueQuery(const void* block, const std::string& sub_block, const void** value,
                    std::uint32_t* length) const override {
        LPVOID found = nullptr;
        UINT found_length = 0;
        if (!VerQueryValueA(block, sub_block.c_str(), &found, &found_length)) return false;
        if (value != nullptr) *value = found;
        if (length != nullptr) *length = found_length;
        return true;
    }

private:
    bool checked_;
};

}  // namespace

const VersionLibrary& SystemVersionLibrary() {
    static const WindowsLibrary library(true);
    return library;
}

const VersionLibrary& UncheckedSystemVersionLibrary() {
    static const WindowsLibrary library(false);
    return library;
}

}  // namespace corvanta
