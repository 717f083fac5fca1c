#!/usr/bin/env bash
# The strict check turns away no file that the version library reads: every
# file of the installed Wine tree's Windows folders whose version information
# the portable reader finds (the agreement test holds it to version.dll's
# answers) must be judged sound. Runs on the host; needs no Wine.
#
#   check_narrow.sh HOST_DUMP WORK_DIR [FOLDER...]
set -euo pipefail
host_dump=$1 work=$2
shift 2
folders=("$@")
if [ ${#folders[@]} -eq 0 ]; then
  mapfile -t folders < "$(dirname "${BASH_SOURCE[0]}")/../support/wine_system_folders.txt"
fi
mkdir -p "$work"
list=$work/files.txt
: > "$list"
for folder in "${folders[@]}"; do
  [ -d "$folder" ] || continue
  find "$folder" -maxdepth 1 -type f | sort | sed 's|^/usr/||' >> "$list"
done
count=$(wc -l < "$list")
if [ "$count" -eq 0 ]; then
  echo "check_narrow: no files found in ${folders[*]}" >&2
  exit 1
fi
"$host_dump" --raw /usr "$list" > "$work/read.txt"
"$host_dump" --check --raw /usr "$list" > "$work/verdicts.txt"
paste "$work/read.txt" "$work/verdicts.txt" \
  | awk -F'\t' '$2 == "size>0" && $NF != "sound" { print $1 "\t" $NF }' > "$work/turned_away.txt"
versioned=$(grep -c $'\tsize>0' "$work/read.txt" || true)
if [ -s "$work/turned_away.txt" ]; then
  echo "check_narrow: $(wc -l < "$work/turned_away.txt") of $versioned files with version information turned away:" >&2
  head -20 "$work/turned_away.txt" >&2
  exit 1
fi
echo "check_narrow: $count files, $versioned with version information: all judged sound"
