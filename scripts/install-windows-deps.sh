#!/usr/bin/env bash
# Installs what the Windows build and its tests under Wine need, only what is
# missing: the mingw-w64 cross compiler, Wine, the glibc Japanese locale's
# sources, an X server with a window manager for the window's test and
# ImageMagick's import for its screenshots, and NSIS for the installer.
set -euo pipefail
packages=(
  cmake make googletest
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 locales
  fonts-ipafont-gothic xvfb xauth openbox xdotool zip imagemagick nsis
  tzdata python3-tzlocal
)
exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
