#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz) in a clang build tree, build/fuzz,
# with AddressSanitizer and UBSan, and runs each for the given number of
# seconds (default 60), seeded with the test fixtures. A crash fails the run
# and leaves its input in build/fuzz.
#
#   tools/fuzz.sh [SECONDS]
set -euo pipefail
seconds=${1:-60}
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
out=$top/build/fuzz
cmake -S . -B "$out" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCORVANTA_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j "$(nproc)" --target verinfo_fuzz layout_fuzz
fuzzers=$out/tests/fuzz

# verinfo: the portable version reader.
seeds=$out/verinfo_seeds corpus=$out/verinfo_corpus
mkdir -p "$seeds" "$corpus"
python3 tests/verinfo/fixtures/make_blocks.py "$seeds" >/dev/null
rm -f "$seeds"/*.rc
find build -path '*tests/verinfo/fixtures/*.dll' -size -64k -exec cp -f {} "$seeds/" \; 2>/dev/null || true
(cd "$out" && "$fuzzers/verinfo_fuzz" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
   "$corpus" "$seeds" 2>&1 | tail -25)

# layout: the reader of the windows' layout resources.
layout_corpus=$out/layout_corpus layout_seeds=$out/layout_seeds
mkdir -p "$layout_corpus" "$layout_seeds"
cp -f resources/*.layout "$layout_seeds/"
(cd "$out" && "$fuzzers/layout_fuzz" -max_total_time=$(( (seconds + 1) / 2 )) -print_final_stats=1 \
   "$layout_corpus" "$layout_seeds" 2>&1 | tail -25)
