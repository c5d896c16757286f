#!/usr/bin/env bash
# Times quillmer-convert end to end on a generated export and reports the
# input rate and the peak memory against the input and output sizes.
#   scripts/bench-convert.sh [BUILD_DIR] [APPOINTMENTS]
set -euo pipefail
build=${1:-build}
count=${2:-100000}
for tool in quillmer-convert bench/quillmer-make-export; do
  [ -x "$build/$tool" ] || { echo "missing $build/$tool (build it first)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/quillmer-make-export" "$count" "$work/export.csv" > /dev/null
best=""
for run in 1 2 3; do
  /usr/bin/time -f "%e %M" -o "$work/time" "$build/quillmer-convert" "$work/export.csv" "$work/out.vcs" > /dev/null
  read -r seconds peak_kb < "$work/time"
  if [ -z "$best" ] || awk "BEGIN{exit !($seconds < $best)}"; then best=$seconds; best_peak=$peak_kb; fi
done
in_bytes=$(stat -c %s "$work/export.csv")
out_bytes=$(stat -c %s "$work/out.vcs")
awk -v n="$count" -v s="$best" -v kb="$best_peak" -v i="$in_bytes" -v o="$out_bytes" 'BEGIN {
  mb = 1000000
  printf "appointments      %d\n", n
  printf "input             %.1f MB\n", i / mb
  printf "output            %.1f MB\n", o / mb
  printf "best of 3         %.3f s  (%.1f MB/s of input)\n", s, (s > 0 ? i / mb / s : 0)
  printf "peak RSS          %.1f MB  (%.2f x (input + output))\n", kb * 1024 / mb, kb * 1024 / (i + o)
}'
