# Sourced by the project's scripts: gives the run one private Xvfb display
# and one persistent wineserver in the test prefix, both ended on exit.

# Starts a private Xvfb unless a display is already set (and not asked to be
# private); $1 is its screen size, 1280x1024 unless given.
corvanta_start_display() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${CORVANTA_PRIVATE_DISPLAY:-}" ]; then
    return 0
  fi
  local size=${1:-1280x1024} n=91
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  CORVANTA_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
}

corvanta_stop_display() {
  if [ -n "${CORVANTA_XVFB_PID:-}" ]; then
    kill "$CORVANTA_XVFB_PID" 2>/dev/null || true
    wait "$CORVANTA_XVFB_PID" 2>/dev/null || true
    CORVANTA_XVFB_PID=
  fi
}

# The session tests and benchmarks run in: the project's throwaway prefix,
# made if missing, one private display and one persistent wineserver, all
# ended when the calling script exits. $1 is the checkout's top folder.
corvanta_start_test_session() {
  export WINEPREFIX="$1/build/wineprefix"
  trap 'wineserver -k 2>/dev/null || true; corvanta_stop_display' EXIT
  corvanta_start_display
  "$1/tools/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
  wineserver -p 600 || true
}
