#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# only those that are missing.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev libical-dev
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  fonts-ipafont-gothic qt6-translations-l10n xvfb xauth desktop-file-utils
  clang libclang-rt-dev
  tzdata python3
)
exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
