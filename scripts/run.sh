#!/usr/bin/env bash
# Starts the desktop program; with no display, converts the bundled sample
# export with the command-line converter instead.
set -euo pipefail
build=${1:-build}
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$build/quillmer" ]; then
  exec "$build/quillmer"
fi
out=${QUILLMER_RUN_OUTPUT:-$build/sample-output.vcs}
if [ ! -x "$build/quillmer-convert" ]; then
  echo "The command-line converter is not built yet ($build/quillmer-convert)."
  exit 0
fi
echo "No display: converting the sample export with the command-line converter."
"$build/quillmer-convert" examples/outlook-export.csv "$out"
echo
echo "The vCalendar file is at $(realpath "$out")"
