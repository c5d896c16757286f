#!/usr/bin/env bash
# Peak memory of quillmer-convert for an export holding one very long record
# (its title in ASCII or Japanese, or its notes in Japanese lines, with and
# without doubled quotes, or five long titles in a row), to vCalendar and to
# iCalendar. Fails when a peak is above 3 times the longest record plus 64 MB.
#   scripts/peak-long-record.sh [BUILD_DIR] [MEGABYTES]
set -euo pipefail
build=${1:-build}
mb=${2:-200}
for tool in quillmer-convert bench/quillmer-make-export; do
  [ -x "$build/$tool" ] || { echo "missing $build/$tool (build it first)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for kind in title-ascii title-ja notes-ja notes-quoted titles-ja; do
  # Five long titles in a row, each a fifth of the size: none is read far
  # ahead of the one before it.
  record=$([ "$kind" = titles-ja ] && echo $((mb / 5)) || echo "$mb")
  limit_kb=$(( (3 * record + 64) * 1000 ))
  "$build/bench/quillmer-make-export" long "$kind" $((record * 1000000)) "$work/export.csv"
  for format in vcs ics; do
    /usr/bin/time -f "%M %e" -o "$work/time" "$build/quillmer-convert" "$work/export.csv" "$work/out.$format" > /dev/null
    read -r kb seconds < "$work/time"
    verdict=ok
    [ "$kb" -le "$limit_kb" ] || { verdict="OVER $((limit_kb / 1000)) MB"; status=1; }
    printf "%-13s %s  peak %6.1f MB  (%.2f x the record)  %5.2f s  %s\n" "$kind" "$format" \
      "$(echo "$kb / 1000" | bc -l)" "$(echo "$kb / 1000 / $record" | bc -l)" "$seconds" "$verdict"
    rm -f "$work/out.$format"
  done
done
exit $status
