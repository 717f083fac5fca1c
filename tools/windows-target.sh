# Sourced by the project's scripts: which Windows build the tests and
# benchmarks run under Wine on this machine.
#
# The product is 32-bit, and 32-bit Windows programs need 32-bit Wine, which
# needs a kernel that runs 32-bit Linux programs. Some machines' kernels do
# not (their execve of an i386 program fails with "Exec format error"); there
# only 64-bit Wine works, and the Windows tests run against a 64-bit build of
# the same code instead. CORVANTA_WINDOWS_ARCH=i686 or x86_64 overrides the
# choice.
#
# Sets CORVANTA_WINDOWS_ARCH, CORVANTA_TOOLCHAIN (relative to the checkout)
# and CORVANTA_WIN_BUILD (the build tree's name under build/, without a
# prefix: win32 or win64).
corvanta_can_run_32bit_wine() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

corvanta_windows_target() {
  if [ -z "${CORVANTA_WINDOWS_ARCH:-}" ]; then
    if corvanta_can_run_32bit_wine; then
      CORVANTA_WINDOWS_ARCH=i686
    else
      CORVANTA_WINDOWS_ARCH=x86_64
      echo "windows-target: this machine cannot run 32-bit programs; the Windows tests use a 64-bit build" >&2
    fi
  fi
  case $CORVANTA_WINDOWS_ARCH in
    i686) CORVANTA_TOOLCHAIN=cmake/toolchain-mingw32.cmake CORVANTA_WIN_BUILD=win32 ;;
    x86_64) CORVANTA_TOOLCHAIN=cmake/toolchain-mingw64.cmake CORVANTA_WIN_BUILD=win64 ;;
    *) echo "windows-target: unknown CORVANTA_WINDOWS_ARCH $CORVANTA_WINDOWS_ARCH" >&2; return 1 ;;
  esac
  export CORVANTA_WINDOWS_ARCH CORVANTA_TOOLCHAIN CORVANTA_WIN_BUILD
}

# The Wine loader for the Windows build chosen here: Wine's own starter
# where 32-bit Wine runs, else the 64-bit loader itself (the starter would
# try the 32-bit one first and fail).
corvanta_wine_loader() {
  if corvanta_can_run_32bit_wine; then echo wine; else echo /usr/lib/wine/wine64; fi
}
