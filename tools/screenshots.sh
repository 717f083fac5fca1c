#!/usr/bin/env bash
# Runs corvanta.exe (or the program given) under a private Xvfb in a Wine
# virtual desktop and saves a PNG of each of the window's three pages.
#
#   tools/screenshots.sh [program.exe] [output directory]
#
# The pages are turned with Ctrl+Tab, as a user would. The Wine prefix is
# CORVANTA_WINEPREFIX or the project's throwaway one. A few sample entries
# are put into its uninstall key for the run and taken out again
# (CORVANTA_SCREENSHOT_SAMPLES=0 skips them). CORVANTA_SCREENSHOT_DPI (default
# 96) sets the system DPI for the run, e.g. 144 to check the scaling; the
# desktop grows with it.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=${1:-$top/build/win32/app/corvanta.exe}
out=${2:-$top/build/screenshots}
[ -f "$program" ] || { echo "screenshots: no program $program" >&2; exit 1; }
mkdir -p "$out"

for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (tools/bootstrap.sh installs it)" >&2; exit 1; }
done

export CORVANTA_WINEPREFIX=${CORVANTA_WINEPREFIX:-$top/build/wineprefix}
# Creates the prefix when it does not exist yet.
CORVANTA_NO_XVFB=1 DISPLAY= "$top/tools/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
export WINEPREFIX=$CORVANTA_WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Wine's own fonts (fonts-wine), which this Wine build does not find by
# itself: without Marlett the caption's close button is drawn as an "r".
fonts_dir=$WINEPREFIX/drive_c/windows/Fonts
if [ -d /usr/share/wine/fonts ] && [ -d "$fonts_dir" ]; then
  for font in /usr/share/wine/fonts/*.ttf; do
    [ -e "$fonts_dir/$(basename "$font")" ] || cp "$font" "$fonts_dir/"
  done
fi

dpi=${CORVANTA_SCREENSHOT_DPI:-96}
width=$((1280 * dpi / 96))
height=$((1024 * dpi / 96))

# A private X server of the desktop's size.
n=91
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 "${width}x${height}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$n"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

import_reg() {  # REGEDIT4 text on stdin
  local reg
  reg=$(mktemp --suffix=.reg)
  cat >"$reg"
  wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1 || true
  rm -f "$reg"
}
set_dpi() {
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%08x\r\n' "$1" | import_reg
}

uninstall='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall'
sample_names=("Dravenholt Backup Agent|4.2.1" "Graphite Sketch|2024.3"
  "Microsoft Visual C++ 2015-2022 Redistributable (x86)|14.38.33135" "Notepad Plus|8.6.2" "7-Zip 23.01|23.01"
  "anyconnect client|5.0.05040" "Zeta Mail|115.6.0" "Quartz Player|3.0.20" "Legacy Viewer|"
  "Update for Windows (KB5034441) Hotfix|" "Security Hotfix for Office (KB5002469)|"
  "Hotfix for .NET Framework 4.8 (KB5033909)|")
samples=${CORVANTA_SCREENSHOT_SAMPLES:-1}
add_samples() {
  local i=0 entry
  {
    printf 'REGEDIT4\r\n\r\n'
    for entry in "${sample_names[@]}"; do
      i=$((i + 1))
      printf '[%s\\CorvantaScreenshot%02d]\r\n"DisplayName"="%s"\r\n' "$uninstall" "$i" "${entry%%|*}"
      if [ -n "${entry#*|}" ]; then printf '"DisplayVersion"="%s"\r\n' "${entry#*|}"; fi
      printf '\r\n'
    done
  } | import_reg
}
remove_samples() {
  local i
  {
    printf 'REGEDIT4\r\n\r\n'
    for i in $(seq -f %02g ${#sample_names[@]}); do printf '[-%s\\CorvantaScreenshot%s]\r\n' "$uninstall" "$i"; done
  } | import_reg
}

wine_pid=
finish() {
  if [ -n "$wine_pid" ]; then kill "$wine_pid" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
  if [ "$samples" = 1 ]; then remove_samples; fi
  if [ "$dpi" != 96 ]; then set_dpi 96; fi
  wineserver -w 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
}
trap finish EXIT

if [ "$samples" = 1 ]; then add_samples; fi
if [ "$dpi" != 96 ]; then set_dpi "$dpi"; fi
wineserver -w 2>/dev/null || true

wine explorer "/desktop=corvanta,${width}x${height}" "$(winepath -w "$program" 2>/dev/null)" >/dev/null 2>&1 &
wine_pid=$!

# Wait for the desktop, then for the splash to go and the first page to fill.
desktop=
for _ in $(seq 100); do
  desktop=$(xdotool search --name "corvanta" 2>/dev/null | head -1 || true)
  [ -n "$desktop" ] && break
  sleep 0.2
done
[ -n "$desktop" ] || { echo "screenshots: the Wine desktop did not appear" >&2; exit 1; }
sleep "${CORVANTA_SCREENSHOT_WAIT:-8}"
xdotool windowfocus --sync "$desktop" 2>/dev/null || true

pages=(installed-software installed-hotfixes running-processes)
for i in "${!pages[@]}"; do
  if [ "$i" -gt 0 ]; then
    xdotool key --clearmodifiers ctrl+Tab
    sleep 2
  fi
  import -window root "$out/$((i + 1))-${pages[$i]}.png"
  echo "screenshots: $out/$((i + 1))-${pages[$i]}.png"
done
