#!/usr/bin/env bash
# The Windows zip: the two programs, stripped, and the read-me (UTF-8 with a
# byte-order mark and CR LF, which every Notepad reads).
#   usage: dist-windows.sh WINDOWS_BUILD
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
version="$(sed -n 's/^project(Quillmer VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
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
