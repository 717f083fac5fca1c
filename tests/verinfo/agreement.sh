#!/usr/bin/env bash
# Reads every file of the installed Wine tree's Windows folders with the
# portable reader (host build) and with Wine's own version.dll (the Windows
# build under Wine), and compares what the three version-library operations
# give: size zero or not, the translation, the fixed information's length
# and the ten strings. Any difference fails. The Windows build asks
# version.dll through its checked library, as the product does, so this also
# shows that the strict check turns away none of these files; check_narrow.sh
# shows the same from the check's own verdicts.
#
#   agreement.sh HOST_DUMP WINDOWS_DUMP_EXE WORK_DIR [FOLDER...]
set -euo pipefail
host_dump=$1 win_dump=$2 work=$3
shift 3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
if [ ! -x "$host_dump" ]; then
  echo "agreement: the host build's verinfo_dump is missing: $host_dump" >&2
  echo "agreement: build the host tree first (CORVANTA_HOST_BUILD_DIR names it)" >&2
  exit 1
fi
folders=("$@")
if [ ${#folders[@]} -eq 0 ]; then
  mapfile -t folders < "$here/tests/support/wine_system_folders.txt"
fi
mkdir -p "$work"
list=$work/files.txt
: > "$list"
for folder in "${folders[@]}"; do
  [ -d "$folder" ] || continue
  case $folder in /usr/*) ;; *) echo "agreement: folders must be under /usr: $folder" >&2; exit 1 ;; esac
  find "$folder" -maxdepth 1 -type f | sort | sed 's|^/usr/||' >> "$list"
done
count=$(wc -l < "$list")
if [ "$count" -eq 0 ]; then
  echo "agreement: no files found in ${folders[*]}" >&2
  exit 1
fi

"$here/tests/verinfo/check_narrow.sh" "$host_dump" "$work/narrow" "${folders[@]}"

# One locale for both sides: English (United States), code page 1252.
export LC_ALL=C.UTF-8
"$host_dump" --raw /usr "$list" > "$work/host.txt"
"$here/tools/wine-run.sh" "$win_dump" --raw 'Z:\usr' "Z:${list//\//\\}" \
  | tr -d '\r' > "$work/wine.txt"

versioned=$(grep -c $'\tsize>0' "$work/host.txt" || true)
if diff "$work/host.txt" "$work/wine.txt" > "$work/differences.txt"; then
  echo "agreement: $count files, $versioned with version information: all agree"
else
  differing=$(grep -c '^<' "$work/differences.txt" || true)
  echo "agreement: $count files, $versioned with version information: $differing differ" >&2
  head -40 "$work/differences.txt" >&2
  exit 1
fi
