#!/usr/bin/env bash
# What Windows users download: the zip (the two programs, stripped, and the
# read-me in UTF-8 with a byte-order mark and CR LF, which every Notepad reads)
# and the per-user installer of the same files, both named with the version
# the build was configured with.
#   usage: dist-windows.sh WINDOWS_BUILD
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")"
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt"; exit 1; }
name="quillmer-windows-$version"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
for program in Quillmer.exe quillmer-convert.exe; do
  x86_64-w64-mingw32-strip -o "$stage/$name/$program" "$build/$program"
done
# The zone database the programs read the export's times with.
cp -r "$build/zoneinfo" "$stage/$name/zoneinfo"
{ printf '\xEF\xBB\xBF'; sed 's/$/\r/' "$root/docs/windows-readme.txt"; } >"$stage/$name/readme.txt"
rm -f "$build/$name.zip"
(cd "$stage" && zip -q -r -X "$build/$name.zip" "$name")
echo "$build/$name.zip"

# The installer wants four numbers in its version resource.
IFS=. read -r major minor patch tweak <<<"$version"
setup="$build/quillmer-setup-$version.exe"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$major.${minor:-0}.${patch:-0}.${tweak:-0}" \
  -DSTAGE="$stage/$name" -DOUTFILE="$setup" -DICON="$root/src/app/win32/resources/quillmer.ico" \
  "$root/packaging/windows/quillmer.nsi"
echo "$setup"
