#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan) and
# runs each for the given number of seconds (default 60), seeded with the
# test fixtures. A crash fails the run and leaves its input in build/fuzz.
#
#   tools/fuzz.sh [SECONDS]
set -euo pipefail
seconds=${1:-60}
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
out=$top/build/fuzz
mkdir -p "$out"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$top")

# verinfo: the portable version reader.
clang++ "${flags[@]}" -o "$out/verinfo_fuzz" tests/fuzz/verinfo_fuzz.cpp \
  processes/VerInfo.cpp processes/pe_version_resource.cpp processes/version_block.cpp \
  processes/version_check.cpp processes/version_library_portable.cpp processes/version_library_host.cpp \
  common/ansi_text.cpp common/ansi_text_1252.cpp
seeds=$out/verinfo_seeds corpus=$out/verinfo_corpus
mkdir -p "$seeds" "$corpus"
python3 tests/verinfo/fixtures/make_blocks.py "$seeds" >/dev/null
rm -f "$seeds"/*.rc
find build -path '*tests/verinfo/fixtures/*.dll' -size -64k -exec cp -f {} "$seeds/" \; 2>/dev/null || true
(cd "$out" && ./verinfo_fuzz -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
   "$corpus" "$seeds" 2>&1 | tail -25)

# layout: the reader of the windows' layout resources.
clang++ "${flags[@]}" -o "$out/layout_fuzz" tests/app/layout_fuzz.cpp app/layout.cpp
layout_corpus=$out/layout_corpus layout_seeds=$out/layout_seeds
mkdir -p "$layout_corpus" "$layout_seeds"
cp -f resources/*.layout "$layout_seeds/"
(cd "$out" && ./layout_fuzz -max_total_time=$(( (seconds + 1) / 2 )) -print_final_stats=1 \
   "$layout_corpus" "$layout_seeds" 2>&1 | tail -25)
