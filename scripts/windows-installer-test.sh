#!/usr/bin/env bash
# The installer under Wine, as a user without administrator rights runs it:
# silent install into the user's programs folder, the installed programs
# convert, the Start menu entry, "Open with" for CSV files and the Settings
# entry are there; a silent uninstall removes every file and key it made and
# keeps the settings the program wrote beside itself.
#   usage: windows-installer-test.sh WINDOWS_BUILD
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")"
setup="$build/quillmer-setup-$version.exe"
helper="$build/tests/quillmer-wintest.exe"
[ -f "$helper" ] || helper="$build/quillmer-wintest.exe"
wine_run="$root/scripts/wine-run"
export WINEPREFIX="${WINEPREFIX:-${QUILLMER_WINEPREFIX:-${HOME:-/tmp}/.cache/quillmer/wine}}"
work="$(mktemp -d)"
xpid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
w() { "$wine_run" "$@" </dev/null; }
key() { w reg query "$@" >/dev/null 2>&1; }
title="Kivaro; CSV to vCalendar for iPod series"

exec 7<> <(:)
Xvfb -displayfd 7 -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xpid=$!
read -r -t 10 display <&7 || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$display"
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

w "$setup" /S
programs="$(w cmd /c echo %LOCALAPPDATA% | tr -d '\r')\\Programs\\Quillmer"
dir="$(w winepath -u "$programs" | tr -d '\r')"
menu="$(w winepath -u "$(w cmd /c echo %APPDATA% | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs" | tr -d '\r')"
installed=(Quillmer.exe quillmer-convert.exe readme.txt uninstall.exe zoneinfo/Asia/Tokyo)
for file in "${installed[@]}"; do [ -f "$dir/$file" ] || fail "not installed: $file"; done
[ -f "$menu/Quillmer.lnk" ] || fail "no Start menu entry"

# The installed converter, and the window from the installed place: its
# folder is the user's, so the settings go beside it.
cp "$root/examples/outlook-export.csv" .
w "$dir/quillmer-convert.exe" outlook-export.csv out.vcs >/dev/null
cmp -s out.vcs "$root/examples/outlook-export.vcs" || fail "installed converter"
"$wine_run" "$dir/Quillmer.exe" </dev/null >/dev/null 2>&1 &
gui=$!
w "$helper" wait "$title"
w "$helper" set "$title" 102 "$(w winepath -w "$work/outlook-export.csv" | tr -d '\r')"
w "$helper" set "$title" 103 "gui.vcs"
w "$helper" click "$title" 101
w "$helper" box 変換の完了 >/dev/null
w "$helper" close "$title"
wait "$gui" || true
cmp -s gui.vcs "$root/examples/outlook-export.vcs" || fail "installed program"
for file in Quillmer.ini option.txt filter.txt; do [ -f "$dir/$file" ] || fail "no $file beside the program"; done

# Registered: "Open with" (the .csv default untouched) and Settings > Apps.
application='HKCU\Software\Classes\Applications\Quillmer.exe'
uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmer'
w reg query "$application\\shell\\open\\command" /ve | grep -qF "\"$programs\\Quillmer.exe\" \"%1\"" || fail "open command"
key 'HKCU\Software\Classes\.csv\OpenWithList\Quillmer.exe' || fail "not in Open with of .csv"
if w reg query 'HKCU\Software\Classes\.csv' /ve 2>/dev/null | grep -qi quillmer; then fail "took over .csv"; fi
for value in "DisplayVersion.*$version" 'Publisher.*Quillmer' 'DisplayIcon.*Quillmer.exe' 'EstimatedSize.*0x' \
             'UninstallString.*uninstall.exe'; do
  w reg query "$uninstall" | grep -q "$value" || fail "uninstall entry lacks $value"
done

# The uninstaller runs from a copy of itself; it is done when its files are.
w "$dir/uninstall.exe" /S
for _ in $(seq 100); do [ -e "$dir/uninstall.exe" ] || break; sleep 0.2; done
wineserver -w 2>/dev/null || true
for file in "${installed[@]}" zoneinfo; do [ ! -e "$dir/$file" ] || fail "left behind: $file"; done
[ ! -e "$menu/Quillmer.lnk" ] || fail "Start menu entry left behind"
for k in "$application" 'HKCU\Software\Classes\.csv\OpenWithList\Quillmer.exe' "$uninstall"; do
  if key "$k"; then fail "key left behind: $k"; fi
done
for file in Quillmer.ini option.txt filter.txt; do [ -f "$dir/$file" ] || fail "$file removed"; done
rm -rf "$dir"
echo "windows-installer-test: $((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
[ "$failures" = 0 ]
