#!/usr/bin/env bash
# Peak memory of quillmer-convert for an export holding one very long record
# (its title in ASCII or Japanese, or its notes in Japanese lines, with and
# without doubled quotes), to vCalendar and to iCalendar. Fails when a peak
# is above 3 times the record plus 64 MB.
#   scripts/peak-long-record.sh [BUILD_DIR] [MEGABYTES]
set -euo pipefail
build=${1:-build}
mb=${2:-200}
for tool in quillmer-convert bench/quillmer-make-export; do
  [ -x "$build/$tool" ] || { echo "missing $build/$tool (build it first)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
limit_kb=$(( (3 * mb + 64) * 1000 ))
status=0
for kind in title-ascii title-ja notes-ja notes-quoted; do
  "$build/bench/quillmer-make-export" long "$kind" $((mb * 1000000)) "$work/export.csv"
  for format in vcs ics; do
    /usr/bin/time -f "%M %e" -o "$work/time" "$build/quillmer-convert" "$work/export.csv" "$work/out.$format" > /dev/null
    read -r kb seconds < "$work/time"
    verdict=ok
    [ "$kb" -le "$limit_kb" ] || { verdict="OVER $((limit_kb / 1000)) MB"; status=1; }
    printf "%-13s %s  peak %6.1f MB  (%.2f x the record)  %5.2f s  %s\n" "$kind" "$format" \
      "$(echo "$kb / 1000" | bc -l)" "$(echo "$kb / 1000 / $mb" | bc -l)" "$seconds" "$verdict"
    rm -f "$work/out.$format"
  done
done
exit $status
