#!/usr/bin/env bash
# Builds corvanta.exe and starts it under Wine.
#
#   tools/run.sh [--sample] [--dpi N] [--out DIR]
#
# By default it runs in your own Wine prefix ($WINEPREFIX if set, else Wine's
# default, ~/.wine), so it lists what is installed there, and adds nothing to
# it. A prefix that does not exist yet is made first; a new prefix has nothing
# installed, so its lists are empty.
#
#   --sample   run in a throwaway prefix, build/sample-prefix (made once, then
#              reused), holding sample uninstall entries in both registry views
#              (64- and 32-bit) and the current user's, a few of them hot-fixes
#   --dpi N    the system DPI for the run, e.g. 144 for the scaled look
#              (default CORVANTA_RUN_DPI, else the prefix's own); your prefix
#              gets its setting back when the run ends
#   --out DIR  where the pictures go (default build/run)
#
# With a display ($DISPLAY set) the program simply opens; close it as usual.
# Without one, it runs on a private Xvfb in a Wine virtual desktop (both grow
# with the DPI): the script waits for the main window, saves a PNG of each of
# the three pages, closes the program and prints where the pictures are.
#
# A prefix this script makes itself gets Wine's own fonts (fonts-wine), which
# this Wine build does not find by itself: without Marlett the caption's close
# button is drawn as an "r". A prefix that existed before gets none.
#
#   CORVANTA_BUILD_DIR  the Windows build tree (default build/win32; build/win64
#                       where only 64-bit Wine runs, see tools/windows-target.sh)
#   CORVANTA_HEADLESS=1 take the pictures even when a display is set
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"

usage() { sed -n '4p' "${BASH_SOURCE[0]}" | sed 's/^#  *//'; }
sample=
dpi=${CORVANTA_RUN_DPI:-}
out=$top/build/run
while [ $# -gt 0 ]; do
  case $1 in
    --sample) sample=1 ;;
    --dpi) [ $# -ge 2 ] || { echo "run: --dpi needs a value" >&2; exit 2; }; dpi=$2; shift ;;
    --dpi=*) dpi=${1#--dpi=} ;;
    --out) [ $# -ge 2 ] || { echo "run: --out needs a folder" >&2; exit 2; }; out=$2; shift ;;
    --out=*) out=${1#--out=} ;;
    -h | --help) echo "usage: $(usage)"; exit 0 ;;
    *) echo "run: unknown argument $1" >&2; echo "usage: $(usage)" >&2; exit 2 ;;
  esac
  shift
done
if [ -n "$dpi" ] && { ! [[ $dpi =~ ^[0-9]+$ ]] || [ "$dpi" -lt 48 ] || [ "$dpi" -gt 480 ]; }; then
  echo "run: the DPI must be a whole number from 48 to 480, not $dpi" >&2
  exit 2
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)

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
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Makes the prefix $WINEPREFIX, which does not exist yet: without the .NET and
# HTML engines, whose installers would stop at a question nobody can answer
# here, and with Wine's fonts (never replacing one already there).
create_prefix() {
  echo "run: creating the Wine prefix $WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i >/dev/null 2>&1
  wineserver -w
  local fonts=/usr/share/wine/fonts
  if compgen -G "$fonts/*.ttf" >/dev/null; then
    cp -n "$fonts"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  else
    echo "run: no fonts in $fonts (fonts-wine); window captions will lack their buttons" >&2
  fi
}

# Imports REGEDIT4 text from stdin into the prefix, both views in one go: a
# 64-bit regedit writes the 32-bit view under Wow6432Node.
import_reg() {
  local reg
  reg=$(mktemp --suffix=.reg)
  sed 's/$/\r/' >"$reg"
  local status=0
  "$wine" regedit /S "$(winpath "$reg")" >/dev/null 2>&1 || status=$?
  rm -f "$reg"
  return "$status"
}

# Sample uninstall entries as "view|key|name|version" lines: 64 and 32 are the
# machine's two registry views, user the current user's key. A name holding
# "Hotfix" makes the entry a hot-fix; an empty version shows none.
sample_entries() {
  cat <<'EOF'
64|CorvantaSample01|Dravenholt Backup Agent|4.2.1
64|CorvantaSample02|Graphite Sketch|2024.3
64|CorvantaSample03|Microsoft Visual C++ 2015-2022 Redistributable (x64)|14.38.33135
64|CorvantaSample04|7-Zip 23.01 (x64)|23.01
64|CorvantaSample05|Quartz Player|3.0.20
64|CorvantaSample06|Update for Windows (KB5034441) Hotfix|
32|CorvantaSample07|Microsoft Visual C++ 2015-2022 Redistributable (x86)|14.38.33135
32|CorvantaSample08|Notepad Plus|8.6.2
32|CorvantaSample09|anyconnect client|5.0.05040
32|CorvantaSample10|Legacy Viewer|
32|CorvantaSample11|Security Hotfix for Office (KB5002469)|
32|CorvantaSample12|Hotfix for .NET Framework 4.8 (KB5033909)|
user|CorvantaSample13|Zeta Mail|115.6.0
EOF
}

add_sample_entries() {
  local uninstall='Microsoft\Windows\CurrentVersion\Uninstall' view key name version root
  {
    printf 'REGEDIT4\n\n'
    while IFS='|' read -r view key name version; do
      case $view in
        64) root="HKEY_LOCAL_MACHINE\\Software\\$uninstall" ;;
        32) root="HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\$uninstall" ;;
        user) root="HKEY_CURRENT_USER\\Software\\$uninstall" ;;
      esac
      printf '[%s\\%s]\n"DisplayName"="%s"\n' "$root" "$key" "$name"
      if [ -n "$version" ]; then printf '"DisplayVersion"="%s"\n' "$version"; fi
      printf '\n'
    done < <(sample_entries)
  } | import_reg
}

desktop_key='HKCU\Control Panel\Desktop'
# The prefix's DPI setting: the number, or nothing when it has none.
read_dpi() {
  local value
  value=$("$wine" reg query "$desktop_key" /v LogPixels 2>/dev/null | tr -d '\r' |
    awk '$1 == "LogPixels" { print $3 }') || true
  if [ -n "$value" ]; then printf '%d\n' "$value"; fi
}
set_dpi() {
  "$wine" reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

if [ -n "$sample" ]; then
  # A throwaway prefix, made in full or made again: the marker comes last.
  export WINEPREFIX=$top/build/sample-prefix WINEARCH=win64
  if [ ! -f "$WINEPREFIX/.corvanta-sample" ]; then
    rm -rf "$WINEPREFIX"
    create_prefix
    add_sample_entries
    wineserver -w
    touch "$WINEPREFIX/.corvanta-sample"
  fi
elif [ ! -d "${WINEPREFIX:-$HOME/.wine}" ]; then
  WINEPREFIX=${WINEPREFIX:-$HOME/.wine} create_prefix
fi
prefix=${WINEPREFIX:-$HOME/.wine}

# The DPI is changed for the run only: the user's prefix gets its own setting
# back (none, if it had none); the sample prefix is simply set each run, to
# 96 unless asked otherwise, so one run's DPI does not carry into the next.
old_dpi=
dpi_changed=
restore_dpi() {
  if [ -z "$dpi_changed" ]; then return 0; fi
  dpi_changed=
  if [ -n "$old_dpi" ]; then
    set_dpi "$old_dpi" || echo "run: could not put the DPI of $prefix back to $old_dpi" >&2
  else
    "$wine" reg delete "$desktop_key" /v LogPixels /f >/dev/null 2>&1 ||
      echo "run: could not remove the DPI setting from $prefix" >&2
  fi
}
if [ -n "$sample" ]; then
  dpi=${dpi:-96}
  set_dpi "$dpi"
elif [ -n "$dpi" ]; then
  old_dpi=$(read_dpi)
  dpi_changed=1
  trap restore_dpi EXIT
  set_dpi "$dpi"
fi

if [ -n "${DISPLAY:-}" ] && [ -z "${CORVANTA_HEADLESS:-}" ]; then
  "$wine" "$exe"
  exit
fi

# shellcheck source=tools/xvfb-session.sh
. tools/xvfb-session.sh
CORVANTA_PRIVATE_DISPLAY=1
rm -f "$out"/page-*.png
program=
finish() {
  # Ending the private display also ends the desktop and anything left in it;
  # nothing else of the prefix is touched but the DPI setting, put back.
  corvanta_stop_display
  if [ -n "$program" ]; then wait "$program" 2>/dev/null || true; fi
  restore_dpi
}
trap finish EXIT
# The desktop grows with the DPI the program will see, so its window fits.
scale=${dpi:-$(read_dpi)}
scale=${scale:-96}
size="$((1280 * scale / 96))x$((1024 * scale / 96))"
corvanta_start_display "$size"

sync="$out/sync"
rm -rf "$sync"
mkdir -p "$sync"

# The helper starts the program inside the virtual desktop and reports each
# step on a line; each picture is taken between two of them.
mkfifo "$sync/steps"
"$wine" explorer "/desktop=corvanta-run,$size" "$pages" "$(winpath "$exe")" "$(winpath "$sync")" \
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
