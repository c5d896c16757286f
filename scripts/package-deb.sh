#!/usr/bin/env bash
# The Debian package from a Linux build, checked by lintian (errors fail).
#   usage: package-deb.sh BUILD
set -euo pipefail
build="$(cd "$1" && pwd)"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")"
deb="$build/quillmer_${version}_$(dpkg --print-architecture).deb"
rm -f "$deb"
(cd "$build" && cpack -G DEB >/dev/null)
[ -f "$deb" ] || { echo "cpack made no $deb"; exit 1; }
lintian --fail-on error --suppress-tags-from-file /dev/null "$deb"
echo "$deb"
