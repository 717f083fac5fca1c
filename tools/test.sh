#!/usr/bin/env bash
# Builds both builds and runs every test: the host unit tests under
# AddressSanitizer and UBSan, then the Windows tests under Wine and Xvfb.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
jobs=$(nproc)

bash tools/bootstrap.sh
# shellcheck source=tools/windows-target.sh
. tools/windows-target.sh
corvanta_windows_target
win=build/$CORVANTA_WIN_BUILD

# shellcheck source=tools/xvfb-session.sh
. tools/xvfb-session.sh
corvanta_start_test_session "$top"

echo "== host build and unit tests"
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/host -j "$jobs"
ctest --test-dir build/host --output-on-failure -j "$jobs" -LE bench

echo "== Windows build and tests under Wine"
cmake -S . -B "$win" -DCMAKE_TOOLCHAIN_FILE="$CORVANTA_TOOLCHAIN" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$win" -j "$jobs"
# Serially: the Wine tests share one prefix and its registry.
ctest --test-dir "$win" --output-on-failure -LE bench
if [ "$CORVANTA_WIN_BUILD" != win32 ]; then
  # The tests ran against the 64-bit build; the product itself, 32-bit,
  # must still build.
  echo "== the 32-bit program, built only"
  cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/win32 -j "$jobs" --target corvanta
fi

echo "== fuzzing"
bash tools/fuzz.sh 60
echo "== all tests passed"
