#!/usr/bin/env bash
# Installs what the Windows build and its tests under Wine need, only what is
# missing: the mingw-w64 cross compiler, Wine, the glibc Japanese locale's
# sources, and an X server with a window manager for the window's test.
set -euo pipefail
packages=(
  cmake make googletest
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 locales
  fonts-ipafont-gothic xvfb xauth openbox xdotool zip
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
