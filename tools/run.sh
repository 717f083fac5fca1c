#!/usr/bin/env bash
# Builds corvanta.exe and starts it under Wine in your own Wine prefix
# ($WINEPREFIX if set, else Wine's default, ~/.wine), so it lists what is
# installed there.
#
# With a display ($DISPLAY set) the program simply opens; close it as usual.
# Without one, it runs on a private Xvfb in a Wine virtual desktop: the script
# waits for the main window, saves a PNG of each of the three pages under
# build/run/, closes the program and prints where the pictures are.
#
#   CORVANTA_BUILD_DIR  the Windows build tree (default build/win32; build/win64
#                       where only 64-bit Wine runs, see tools/windows-target.sh)
#   CORVANTA_HEADLESS=1 take the pictures even when a display is set
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"

bash tools/bootstrap.sh
# shellcheck source=tools/windows-target.sh
. tools/windows-target.sh
corvanta_windows_target
build=${CORVANTA_BUILD_DIR:-build/$CORVANTA_WIN_BUILD}
wine=$(corvanta_wine_loader)
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$CORVANTA_TOOLCHAIN" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target corvanta corvanta_pages
exe="$top/$build/app/corvanta.exe"
pages="$top/$build/tools/corvanta_pages.exe"

export WINEDEBUG=${WINEDEBUG:--all}
prefix=${WINEPREFIX:-$HOME/.wine}
if [ ! -d "$prefix" ]; then
  # A new prefix: made without the .NET and HTML engines, whose installers
  # would stop at a question nobody can answer here.
  echo "run: creating the Wine prefix $prefix"
  WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i >/dev/null 2>&1
  wineserver -w
fi

if [ -n "${DISPLAY:-}" ] && [ -z "${CORVANTA_HEADLESS:-}" ]; then
  exec "$wine" "$exe"
fi

# shellcheck source=tools/xvfb-session.sh
. tools/xvfb-session.sh
CORVANTA_PRIVATE_DISPLAY=1
out="$top/build/run"
mkdir -p "$out"
rm -f "$out"/page-*.png
program=
finish() {
  # Ending the private display also ends the desktop and anything left in it;
  # nothing else of the prefix is touched.
  corvanta_stop_display
  if [ -n "$program" ]; then wait "$program" 2>/dev/null || true; fi
}
trap finish EXIT
corvanta_start_display

sync="$out/sync"
rm -rf "$sync"
mkdir -p "$sync"
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# The helper starts the program inside the virtual desktop and reports each
# step on a line; each picture is taken between two of them.
mkfifo "$sync/steps"
"$wine" explorer /desktop=corvanta-run,1280x1024 "$pages" "$(winpath "$exe")" "$(winpath "$sync")" \
  >"$sync/steps" 2>"$out/wine.log" &
program=$!
exec 3<"$sync/steps"

names=(installed-software installed-hotfixes running-processes)
crop=
status=
while IFS= read -r line <&3; do
  line=${line%$'\r'}
  case $line in
    "window "*)
      read -r _ left top_edge width height <<<"$line"
      crop="${width}x${height}+${left}+${top_edge}"
      ;;
    "page "*)
      index=${line#page }
      sleep 1  # let the page finish painting
      import -window root -crop "$crop" +repage "$out/page-$((index + 1))-${names[$index]}.png"
      touch "$sync/shot-$index"
      ;;
    "closed "*)
      status=${line#closed }
      break
      ;;
    "error "*)
      echo "run: ${line#error }; see $out/wine.log" >&2
      exit 1
      ;;
  esac
done
exec 3<&-
if [ -z "$status" ]; then
  echo "run: the program's helper stopped early; see $out/wine.log" >&2
  exit 1
fi

echo "run: Corvanta ran in the Wine prefix $prefix and ended with exit code $status."
echo "run: the pages are in:"
for index in 0 1 2; do
  echo "  $out/page-$((index + 1))-${names[$index]}.png"
done
