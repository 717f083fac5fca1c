// A 32-bit program on 64-bit Windows that names C:\Windows\System32\x.dll
// is silently sent to SysWOW64\x.dll. The reader must read the file the
// path names. The probe is put only into the 64-bit System32, so with
// redirection on the path names nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/scope_guard.h"
#include "processes/VerInfo.h"
#include "verinfo_fixture_dir.h"

namespace corvanta::test {
namespace {

// Runs action with this thread's redirection off.
template <typename F>
auto WithoutRedirection(F action) {
    PVOID previous = nullptr;
    const bool disabled = Wow64DisableWow64FsRedirection(&previous) != FALSE;
    ScopeGuard restore([&] {
        if (disabled) Wow64RevertWow64FsRedirection(previous);
    });
    return action();
}

bool Visible(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(VerInfoRedirection, ReadsTheFileInTheNativeSystemFolder) {
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) GTEST_SKIP() << "not a 32-bit process on 64-bit Windows";

    char system[MAX_PATH] = {};
    ASSERT_NE(GetSystemDirectoryA(system, MAX_PATH), 0u);
    const std::string probe = std::string(system) + "\\corvanta_verinfo_probe.dll";
    const std::string fixture = std::string(VERINFO_FIXTURE_DIR) + "\\full_04b0.dll";
    ASSERT_TRUE(WithoutRedirection([&] { return CopyFileA(fixture.c_str(), probe.c_str(), FALSE) != FALSE; }));
    ScopeGuard remove([&] { WithoutRedirection([&] { return DeleteFileA(probe.c_str()); }); });
    ASSERT_FALSE(Visible(probe)) << "the probe must exist only in the 64-bit folder";

    TVerInfoRes reader(probe);
    EXPECT_EQ(reader.GetVersionString(VersionKey::kFileDescription), "Full fixture");
    EXPECT_FALSE(Visible(probe)) << "redirection is back on after a successful read";

    // A failed read turns it back on too.
    const std::string missing = std::string(system) + "\\corvanta_no_such_file.dll";
    EXPECT_THROW(TVerInfoRes{missing}, ENoVerInfoError);
    EXPECT_FALSE(Visible(probe)) << "redirection is back on after a failed read";
}

}  // namespace
}  // namespace corvanta::test
