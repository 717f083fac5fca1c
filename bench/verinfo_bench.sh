#!/usr/bin/env bash
# Runs the three version readers over the same files in one run: the
# portable reader (host build), Wine's version.dll (the Windows build under
# Wine) and the pefile library, and prints microseconds per file and ratios.
#
#   verinfo_bench.sh HOST_BENCH WINDOWS_BENCH_EXE [ROUNDS]
set -euo pipefail
host_bench=$1 win_bench=$2 rounds=${3:-5}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mapfile -t folders < "$here/tests/support/wine_system_folders.txt"
win_folders=()
for f in "${folders[@]}"; do win_folders+=("Z:${f//\//\\}"); done
export LC_ALL=C.UTF-8

us() { awk '/^us_per_file/ {print $2}'; }
portable=$("$host_bench" --rounds "$rounds" "${folders[@]}" | tee /dev/stderr | us)
wine=$("$here/tools/wine-run.sh" "$win_bench" --rounds "$rounds" "${win_folders[@]}" 2>/dev/null | tr -d '\r' | tee /dev/stderr | us)
# pefile is Debian's python3-pefile: the system's interpreter, not one on PATH.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
pefile=$("$python" "$here/bench/verinfo_bench_pefile.py" --rounds "$rounds" "${folders[@]}" | tee /dev/stderr | us)

printf '\n%-28s %12s %10s\n' "reader" "us/file" "x portable"
for row in "portable (host):$portable" "version.dll (Wine):$wine" "pefile (python3):$pefile"; do
  name=${row%%:*} value=${row##*:}
  printf '%-28s %12.2f %10.2f\n' "$name" "$value" "$(awk -v a="$value" -v b="$portable" 'BEGIN {print a / b}')"
done
