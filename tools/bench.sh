#!/usr/bin/env bash
# Builds release builds without sanitizers and runs every benchmark (the
# ctest entries labelled "bench"), host first, then the Windows ones under Wine.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
jobs=$(nproc)
bash tools/bootstrap.sh
# shellcheck source=tools/windows-target.sh
. tools/windows-target.sh
corvanta_windows_target
win=build/bench-$CORVANTA_WIN_BUILD
# shellcheck source=tools/xvfb-session.sh
. tools/xvfb-session.sh
corvanta_start_test_session "$top"

cmake -S . -B build/bench-host -DCMAKE_BUILD_TYPE=Release -DCORVANTA_SANITIZE=OFF >/dev/null
cmake --build build/bench-host -j "$jobs"
cmake -S . -B "$win" -DCMAKE_TOOLCHAIN_FILE="$CORVANTA_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
  -DCORVANTA_HOST_BUILD_DIR="$top/build/bench-host" >/dev/null
cmake --build "$win" -j "$jobs"
ctest --test-dir build/bench-host -L bench -V "$@" | grep -v '^[0-9]*: Test command\|^test [0-9]'
ctest --test-dir "$win" -L bench -V "$@" | grep -v '^[0-9]*: Test command\|^test [0-9]'
