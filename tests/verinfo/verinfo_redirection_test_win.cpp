// A 32-bit program on 64-bit Windows that names C:\Windows\System32\x.dll
// is silently sent to SysWOW64\x.dll. The reader must read the file the
// path names. The probe is put only into the 64-bit System32, so with
// redirection on the path names nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/scope_guard.h"
#include "construction_outcome.h"
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
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "not a 32-bit process on 64-bit Windows";

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

// The strict check must judge the file version.dll then reads: the same
// name holds a sound file in one folder and a hostile one (its version data
// near 4 GiB, a page fault in version.dll) in the other, both ways round.
TEST(VerInfoRedirection, CheckJudgesTheFileVersionDllReads) {
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "not a 32-bit process on 64-bit Windows";

    char system[MAX_PATH] = {};
    ASSERT_NE(GetSystemDirectoryA(system, MAX_PATH), 0u);
    const std::string probe = std::string(system) + "\\corvanta_verinfo_twin.dll";
    const std::string sound = std::string(VERINFO_FIXTURE_DIR) + "\\full_04b0.dll";
    const std::string hostile = std::string(VERINFO_FIXTURE_DIR) + "\\corrupt\\full_04b0-rva_near_4gib_00.dll";
    ScopeGuard remove([&] {
        DeleteFileA(probe.c_str());
        WithoutRedirection([&] { return DeleteFileA(probe.c_str()); });
    });
    const auto place = [&](const std::string& native, const std::string& redirected) {
        return WithoutRedirection([&] { return CopyFileA(native.c_str(), probe.c_str(), FALSE) != FALSE; }) &&
               CopyFileA(redirected.c_str(), probe.c_str(), FALSE) != FALSE;
    };

    ASSERT_TRUE(place(hostile, sound));
    EXPECT_EQ(ConstructionOutcome(probe, SystemVersionLibrary()), "ENoVerInfoError: No Version Info Available.");

    ASSERT_TRUE(place(sound, hostile));
    ASSERT_EQ(ConstructionOutcome(probe, SystemVersionLibrary()), "ok");
    EXPECT_EQ(TVerInfoRes(probe).GetVersionString(VersionKey::kFileDescription), "Full fixture");
}

}  // namespace
}  // namespace corvanta::test
