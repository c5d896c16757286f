#!/usr/bin/env bash
# quillmer-convert.exe under Wine against the Linux quillmer-convert: the same
# output bytes, messages and exit codes on the sample export, its filtered
# variant, every golden case and generated exports; and an error that leaves
# the output untouched.   usage: compare-windows.sh LINUX_BUILD WINDOWS_BUILD
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
linux="$(cd "$1" && pwd)"
windows="$(cd "$2" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
# Generated exports are compared too: without the generator the comparison
# would pass on two missing inputs.
[ -x "$linux/bench/quillmer-make-export" ] || { echo "compare-windows: $linux/bench/quillmer-make-export is missing (build with benchmarks)"; exit 1; }
passed=0
failed=0

# One case: the arguments after the converter's name (relative paths, run in $work).
compare() {
  local name="$1"
  shift
  rm -f linux.vcs windows.vcs
  local args=("$@")
  LC_ALL=C.UTF-8 "$linux/quillmer-convert" "${args[@]/OUT/linux.vcs}" --locale ja-JP >linux.out 2>linux.err
  local linux_rc=$?
  "$root/scripts/wine-run" "$windows/quillmer-convert.exe" "${args[@]/OUT/windows.vcs}" >windows.raw 2>windows.rawerr </dev/null
  local windows_rc=$?
  # The console speaks code page 932, and its CRT ends lines with CR LF.
  for s in raw rawerr; do iconv -f CP932 -t UTF-8 "windows.$s" | tr -d '\r' >"windows.${s/raw/out}"; done
  mv windows.outerr windows.err 2>/dev/null || true
  local why=""
  [ "$linux_rc" = "$windows_rc" ] || why="exit codes $linux_rc and $windows_rc"
  if [ -e linux.vcs ] || [ -e windows.vcs ]; then
    cmp -s linux.vcs windows.vcs || why="$why output differs: $(cmp linux.vcs windows.vcs 2>&1 | head -1)"
  fi
  cmp -s linux.out windows.out || why="$why messages differ"
  if [ "$linux_rc" != 0 ]; then
    # Error texts from the system differ by platform; the message frame must not.
    sed -E 's/"\. .* (は開けません|を作成できません)/"\. … \1/' linux.err >l.err
    sed -E 's/"\. .* (は開けません|を作成できません)/"\. … \1/; s#[A-Z]:\\[^"]*\\##' windows.err >w.err
    sed -i -E 's#"/[^"]*/#"#' l.err
    cmp -s l.err w.err || why="$why error messages differ: $(cat linux.err) / $(cat windows.err)"
  fi
  if [ -z "$why" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $name: $why"
  fi
}

cp "$root"/examples/* .
# The golden files name the version they were made with; the programs, their own.
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux/CMakeCache.txt")"
sed -i "s#^PRODID:-//Quillmer//Quillmer [^/]*//EN#PRODID:-//Quillmer//Quillmer $version//EN#" ./*.ics
compare "sample export" outlook-export.csv OUT
cmp -s windows.vcs outlook-export.vcs || { failed=$((failed + 1)); echo "FAIL sample export: not the expected file"; }
compare "filtered sample" outlook-export.csv OUT --options option.txt --filters filter.txt
cmp -s windows.vcs outlook-export-filtered.vcs || { failed=$((failed + 1)); echo "FAIL filtered sample: not the expected file"; }
export SOURCE_DATE_EPOCH=1704067200
compare "iCalendar" outlook-export.csv OUT --format ics
cmp -s windows.vcs outlook-export.ics || { failed=$((failed + 1)); echo "FAIL iCalendar: not the expected file"; }
compare "filtered iCalendar" outlook-export.csv OUT --format ics --options option.txt --filters filter.txt
cmp -s windows.vcs outlook-export-filtered.ics || { failed=$((failed + 1)); echo "FAIL filtered iCalendar: not the expected file"; }
unset SOURCE_DATE_EPOCH
# Side files in UTF-8 with LF line ends: a byte that can lead a double-byte
# character never takes the line break after it.
printf 'X-A:\xe4\xbc\x9a\nX-B:\xef\xbc\x89\n' >utf8-option.txt
printf '\xe4\xbc\x9a\xe8\xad\xb0\xef\xbc\x89\nzzz\n' >utf8-filter.txt
compare "UTF-8 side files" outlook-export.csv OUT --options utf8-option.txt --filters utf8-filter.txt
for csv in "$root"/tests/data/*.csv; do
  [ -e "$csv" ] || continue
  cp "$csv" case.csv
  compare "golden $(basename "$csv")" case.csv OUT
done
# The last one is the calendar mix, large enough that both programs read
# ahead and write behind on threads of their own.
for seed in 1 2 3; do
  mix=short count=2000
  [ "$seed" = 3 ] && mix=calendar count=20000
  "$linux/bench/quillmer-make-export" "$count" generated.csv "$seed" "$mix" >/dev/null
  compare "generated export, seed $seed ($mix)" generated.csv OUT
  [ "$seed" = 3 ] && SOURCE_DATE_EPOCH=1704067200 compare "generated export, seed $seed ($mix), iCalendar" generated.csv OUT --format ics
done
# Zones: the same instants from the same zone files, named or the system's own.
"$linux/bench/quillmer-make-export" 2000 zoned.csv 4 calendar >/dev/null
for zone in America/New_York Europe/London Australia/Sydney UTC; do
  compare "zone $zone" zoned.csv OUT --zone "$zone"
done
printf '"h"\r\n"a","b","3/10/2024","2:30:00","11/3/2024","1:30:00","TRUE","3/9/2024","9:00:00 PM",""\r\n' >us.csv
rm -f linux.vcs windows.vcs
TZ=America/New_York "$linux/quillmer-convert" us.csv linux.vcs --locale en-US >/dev/null 2>&1
TZ=America/New_York "$root/scripts/wine-run" "$windows/quillmer-convert.exe" us.csv windows.vcs --locale en-US \
  >/dev/null 2>&1 </dev/null
if grep -q '^DTSTART:20240310T073000Z' windows.vcs 2>/dev/null && cmp -s linux.vcs windows.vcs; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "FAIL the system's zone (New York): $(grep -a DTSTART windows.vcs 2>&1)"
fi
# "-" for both files: the bytes on standard output, unchanged by text mode.
"$root/scripts/wine-run" "$windows/quillmer-convert.exe" - - <outlook-export.csv >streams.vcs 2>/dev/null
if cmp -s streams.vcs outlook-export.vcs; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL standard streams"; fi
printf 'old output' >keep.vcs
compare "missing input" missing.csv keep.vcs
[ "$(cat keep.vcs)" = "old output" ] || { failed=$((failed + 1)); echo "FAIL missing input: output changed"; }
echo "compare-windows: $passed passed, $failed failed"
[ "$failed" = 0 ]
