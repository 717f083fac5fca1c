#!/usr/bin/env bash
# Runs corvanta.exe (or the program given) under a private Xvfb in a Wine
# virtual desktop and saves a PNG of each of the window's three pages.
#
#   tools/screenshots.sh [program.exe] [output directory]
#
# The pages are turned with Ctrl+Tab, as a user would. The Wine prefix is
# CORVANTA_WINEPREFIX or the project's throwaway one.
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

# shellcheck source=tools/xvfb-session.sh
. "$top/tools/xvfb-session.sh"
unset DISPLAY
CORVANTA_PRIVATE_DISPLAY=1 corvanta_start_display
wine_pid=
remove_samples() { :; }
finish() {
  [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  remove_samples
  wineserver -k 2>/dev/null || true
  corvanta_stop_display
}
trap finish EXIT

# A few sample entries in the uninstall key so the grids show rows; they are
# taken out again when the script ends. CORVANTA_SCREENSHOT_SAMPLES=0 skips them.
samples=${CORVANTA_SCREENSHOT_SAMPLES:-1}
uninstall='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall'
sample_names=("Dravenholt Backup Agent|4.2.1" "Graphite Sketch|2024.3" "Microsoft Visual C++ 2015-2022 Redistributable (x86)|14.38.33135"
  "Notepad Plus|8.6.2" "7-Zip 23.01|23.01" "anyconnect client|5.0.05040" "Zeta Mail|115.6.0" "Quartz Player|3.0.20"
  "Update for Windows (KB5034441) Hotfix|" "Security Hotfix for Office (KB5002469)|" "Hotfix for .NET Framework 4.8 (KB5033909)|")
if [ "$samples" = 1 ]; then
  reg_file=$(mktemp --suffix=.reg)
  {
    printf 'REGEDIT4\r\n\r\n'
    i=0
    for entry in "${sample_names[@]}"; do
      i=$((i + 1))
      printf '[%s\\CorvantaScreenshot%02d]\r\n"DisplayName"="%s"\r\n' "$uninstall" "$i" "${entry%%|*}"
      [ -n "${entry#*|}" ] && printf '"DisplayVersion"="%s"\r\n' "${entry#*|}"
      printf '\r\n'
    done
  } >"$reg_file"
  wine regedit /S "$(winepath -w "$reg_file")" >/dev/null 2>&1
  remove_samples() {
    {
      printf 'REGEDIT4\r\n\r\n'
      for i in $(seq -f %02g ${#sample_names[@]}); do printf '[-%s\\CorvantaScreenshot%s]\r\n' "$uninstall" "$i"; done
    } >"$reg_file"
    wine regedit /S "$(winepath -w "$reg_file")" >/dev/null 2>&1 || true
    rm -f "$reg_file"
  }
else
  remove_samples() { :; }
fi

wine explorer /desktop=corvanta,1280x1024 "$(winepath -w "$program" 2>/dev/null)" >/dev/null 2>&1 &
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
