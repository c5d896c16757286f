#!/usr/bin/env bash
# Times quillmer-convert end to end on a generated export, side by side with
# the copy floor (cp of the input and of the output, the same bytes read and
# written), interleaved run by run, and reports medians of elapsed and CPU
# time, the input rate, the ratio to the copy floor and the peak memory. The
# conversion also makes its output durable (fsync of the file and of its
# directory), which cp does not.
#   scripts/bench-convert.sh [BUILD_DIR] [APPOINTMENTS] [MIX] [RUNS] [FILTERS]
# MIX: short (default), calendar, tiny or outlook (calendar in Outlook's default layout). FILTERS: a filter file (--filters),
# a number of generated filter lines, or numbered:N for N numbered lines that
# share their start; the run without them is then timed in the same rounds,
# so that what the filters add is measured side by side.
set -euo pipefail
build=${1:-build}
count=${2:-100000}
mix=${3:-short}
runs=${4:-7}
filters=${5:-}
for tool in quillmer-convert bench/quillmer-make-export; do
  [ -x "$build/$tool" ] || { echo "missing $build/$tool (build it first)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/quillmer-make-export" "$count" "$work/export.csv" 1 "$mix" > /dev/null
extra=()
if [[ "$filters" =~ ^[0-9]+$ ]]; then
  "$build/bench/quillmer-make-export" filters "$filters" "$work/filters.txt" > /dev/null
  filters=$work/filters.txt
elif [[ "$filters" =~ ^numbered:([0-9]+)$ ]]; then
  "$build/bench/quillmer-make-export" numbered-filters "${BASH_REMATCH[1]}" "$work/filters.txt" > /dev/null
  filters=$work/filters.txt
fi
[ -n "$filters" ] && extra=(--filters "$filters")
"$build/quillmer-convert" "$work/export.csv" "$work/out.vcs" "${extra[@]}" > /dev/null
: > "$work/convert.times"
: > "$work/copy.times"
# GNU time gives elapsed time in hundredths: the elapsed column is replaced
# by the wall clock in nanoseconds around the same command.
timed() {
  local out=$1 start end
  shift
  start=$(date +%s%N)
  /usr/bin/time -f "%e %M %U %S" -o "$work/last.time" "$@" > /dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) '{$1 = ns / 1e9; print}' "$work/last.time" >> "$out"
}
# Two situations, each side by side with its own copy floor: writing new
# files (the output path is removed first, as are the copies), and replacing
# files that exist (the conversion's previous output, the previous copies),
# where the old file's pages and blocks are freed on the way.
: > "$work/fresh.times"
: > "$work/plain.times"
: > "$work/copy-over.times"
cp "$work/export.csv" "$work/over.csv"
cp "$work/out.vcs" "$work/over.vcs"
for run in $(seq "$runs"); do
  timed "$work/convert.times" "$build/quillmer-convert" "$work/export.csv" "$work/out.vcs" "${extra[@]}"
  timed "$work/copy-over.times" sh -c 'cp "$1/export.csv" "$1/over.csv" && cp "$1/out.vcs" "$1/over.vcs"' sh "$work"
  rm -f "$work/fresh.vcs"
  timed "$work/fresh.times" "$build/quillmer-convert" "$work/export.csv" "$work/fresh.vcs" "${extra[@]}"
  timed "$work/copy.times" sh -c 'cp "$1/export.csv" "$1/copy.csv" && cp "$1/out.vcs" "$1/copy.vcs"' sh "$work"
  rm -f "$work/copy.csv" "$work/copy.vcs"
  if [ ${#extra[@]} -gt 0 ]; then
    rm -f "$work/plain.vcs"
    timed "$work/plain.times" "$build/quillmer-convert" "$work/export.csv" "$work/plain.vcs"
  fi
done
median() { sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }
convert=$(cut -d' ' -f1 "$work/convert.times" | median)
copy=$(cut -d' ' -f1 "$work/copy.times" | median)
fresh=$(cut -d' ' -f1 "$work/fresh.times" | median)
copy_over=$(cut -d' ' -f1 "$work/copy-over.times" | median)
plain=$( [ -s "$work/plain.times" ] && cut -d' ' -f1 "$work/plain.times" | median || echo 0)
peak_kb=$(cut -d' ' -f2 "$work/convert.times" | sort -n | tail -1)
# CPU time (user + system) is what other work on a busy machine disturbs least.
convert_cpu=$(awk '{print $3 + $4}' "$work/convert.times" | median)
copy_cpu=$(awk '{print $3 + $4}' "$work/copy.times" | median)
in_bytes=$(stat -c %s "$work/export.csv")
out_bytes=$(stat -c %s "$work/out.vcs")
awk -v n="$count" -v mix="$mix" -v runs="$runs" -v s="$convert" -v c="$copy" -v kb="$peak_kb" \
    -v f="$fresh" -v co="$copy_over" -v p="$plain" \
    -v scpu="$convert_cpu" -v ccpu="$copy_cpu" \
    -v i="$in_bytes" -v o="$out_bytes" 'BEGIN {
  mb = 1000000
  printf "appointments      %d (%s mix)\n", n, mix
  printf "input             %.1f MB\n", i / mb
  printf "output            %.1f MB\n", o / mb
  printf "new output file   %.4f s  (%.1f MB/s of input), median of %d\n", f, (f > 0 ? i / mb / f : 0), runs
  printf "  copy floor      %.4f s  (cp to new files; convert / copy %.2f)\n", c, (c > 0 ? f / c : 0)
  printf "replacing output  %.4f s  (%.1f MB/s of input)\n", s, (s > 0 ? i / mb / s : 0)
  printf "  copy floor      %.4f s  (cp over existing files; convert / copy %.2f)\n", co, (co > 0 ? s / co : 0)
  if (p > 0) printf "without filters   %.4f s  (new output file; the filters add %.1f%%)\n", p, (f / p - 1) * 100
  printf "CPU, median       %.2f s convert, %.2f s copy (%.1f MB/s of input)\n", scpu, ccpu, (scpu > 0 ? i / mb / scpu : 0)
  printf "peak RSS          %.1f MB\n", kb * 1024 / mb
}'
