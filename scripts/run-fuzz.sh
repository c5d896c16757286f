#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time each, starting from
# its seed corpus in fuzz/corpus/<name>/ (never written to). Prints the number
# of executions per target; exits non-zero when any target reports a finding
# (the reproducer is kept under <build>/fuzz-run/artifacts/<name>/).
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-30}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$build/fuzz-run
shopt -s nullglob
targets=("$build"/fuzz/*_fuzz)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $build/fuzz" >&2
  exit 1
fi
status=0
for bin in "${targets[@]}"; do
  name=$(basename "$bin" _fuzz)
  corpus=$work/corpus/$name
  artifacts=$work/artifacts/$name
  log=$work/$name.log
  mkdir -p "$corpus" "$artifacts"
  seeds=()
  [ -d "$source_dir/fuzz/corpus/$name" ] && seeds=("$source_dir/fuzz/corpus/$name")
  if "$bin" -max_total_time="$seconds" -print_final_stats=1 -timeout=25 -rss_limit_mb=2560 \
       -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" > "$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "fuzz $name: ${runs:-?} executions in ${seconds}s, no finding"
  else
    echo "fuzz $name: FINDING (log $log)" >&2
    grep -E 'property violated|ERROR|SUMMARY|runtime error|actual|expected|Test unit|Base64' "$log" | head -20 >&2
    status=1
  fi
done
exit $status
