#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's throwaway prefix, never
# the user's own. The prefix (64-bit, with WOW64 for 32-bit programs) is made
# once, under a lock, beside the build trees.
# Without a display, the program gets a private Xvfb of its own.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${CORVANTA_WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Where 32-bit Wine cannot run (see windows-target.sh), the 64-bit loader
# runs the 64-bit test build and makes the prefix.
# shellcheck source=tools/windows-target.sh
. "$here/tools/windows-target.sh"
wine=$(corvanta_wine_loader)

if [ ! -f "$WINEPREFIX/.corvanta-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.corvanta-ready" ]; then
    echo "wine-run: creating the test prefix $WINEPREFIX" >&2
    rm -rf "$WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.corvanta-ready"
  fi
  flock -u 9
  exec 9>&-
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${CORVANTA_NO_XVFB:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$@"
fi
exec "$wine" "$@"
