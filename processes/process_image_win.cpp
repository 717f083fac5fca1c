// The image path of a process by id: the least access that gives it, which
// a user without elevation has to most processes, other users' included.
#include <windows.h>

#include <vector>

#include "common/unique_handle.h"
#include "processes/process_image.h"

namespace corvanta {
namespace {

struct ProcessHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }  // OpenProcess gives NULL on failure
    static void Close(Type process) { CloseHandle(process); }
};
using UniqueProcessHandle = UniqueHandle<ProcessHandleTraits>;

// The longest path Windows hands out, in characters with the NUL.
constexpr DWORD kLongestPath = 32768;

class SystemImage : public ProcessImage {
public:
    std::optional<std::string> ImagePath(std::uint32_t process_id) const override {
        const UniqueProcessHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
        if (!process) return std::nullopt;
        // Most paths fit on the stack; a longer one is asked for once more.
        char path[MAX_PATH + 1];
        DWORD length = sizeof path;
        if (QueryFullProcessImageNameA(process.get(), 0, path, &length))
            return length ? std::optional<std::string>(std::string(path, length)) : std::nullopt;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        std::vector<char> long_path(kLongestPath);
        length = kLongestPath;
        if (!QueryFullProcessImageNameA(process.get(), 0, long_path.data(), &length) || length == 0)
            return std::nullopt;
        return std::string(long_path.data(), length);
    }
};

}  // namespace

const ProcessImage& SystemProcessImage() {
    static const SystemImage image;
    return image;
}

}  // namespace corvanta
