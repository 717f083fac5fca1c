#!/usr/bin/env bash
# Installs what building and testing Corvanta needs on Debian 12, as root.
# Safe to run again: it installs only what is missing and says what it does.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi

packages=(
  cmake make g++ clang libclang-rt-14-dev googletest
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 libwine:i386
  xvfb xauth x11-utils xdotool imagemagick fonts-wine
  python3 python3-pefile
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "bootstrap: adding the i386 architecture"
  $SUDO dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "bootstrap: everything is installed"
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if [ -n "${need_update:-}" ] || [ ! -e /var/lib/apt/lists/lock ] || \
   [ -z "$(find /var/lib/apt/lists -maxdepth 1 -name '*i386_Packages*' -print -quit)" ]; then
  $SUDO apt-get update -q
fi
if ! $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"; then
  echo "bootstrap: apt-get install failed for: ${missing[*]}" >&2
  exit 1
fi
echo "bootstrap: done"
