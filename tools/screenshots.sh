#!/usr/bin/env bash
# Pictures of the three pages with sample data: tools/run.sh --sample without
# a display, kept for its old form.
#
#   tools/screenshots.sh [DIR]
#
# The pictures go to DIR (default build/screenshots). CORVANTA_SCREENSHOT_DPI
# (default 96) sets the DPI, e.g. 144 for the scaled look. The program is the
# one tools/run.sh builds; the old first argument, a program, is no longer
# taken: given two arguments, the second is the folder.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
case $# in
  0 | 1) out=${1:-$top/build/screenshots} ;;
  2) echo "screenshots: runs the program tools/run.sh builds, not $1" >&2; out=$2 ;;
  *) echo "usage: tools/screenshots.sh [DIR]" >&2; exit 2 ;;
esac
dpi=()
if [ -n "${CORVANTA_SCREENSHOT_DPI:-}" ]; then dpi=(--dpi "$CORVANTA_SCREENSHOT_DPI"); fi
CORVANTA_HEADLESS=1 exec "$top/tools/run.sh" --sample "${dpi[@]}" --out "$out"
