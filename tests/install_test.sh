#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop gets: both
# programs, a valid menu entry, the icon and the README; the installed
# converter works, and keeps its settings in the XDG folder when its own
# folder is not writable.   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
chmod 755 "$prefix"

cmake --install "$build" --prefix "$prefix" > /dev/null
for file in bin/quillmer bin/quillmer-convert share/applications/quillmer.desktop \
            share/icons/hicolor/32x32/apps/quillmer.png share/doc/quillmer/README.md; do
  [ -f "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done

entry=$prefix/share/applications/quillmer.desktop
if ! command -v desktop-file-validate > /dev/null; then
  echo "desktop-file-validate is missing (scripts/install-deps.sh installs desktop-file-utils)"
  exit 1
fi
desktop-file-validate "$entry"
for line in 'Exec=quillmer %f' 'Icon=quillmer' 'MimeType=text/csv;' 'Name[ja]='; do
  grep -qF "$line" "$entry" || { echo "the entry lacks $line"; exit 1; }
done

"$prefix/bin/quillmer-convert" "$source/examples/outlook-export.csv" "$prefix/out.vcs" > /dev/null
cmp "$prefix/out.vcs" "$source/examples/outlook-export.vcs"

# As a user who cannot write the installed folder, the settings come from XDG.
if setpriv --reuid=65534 --regid=65534 --clear-groups true 2> /dev/null; then
  mkdir -p "$prefix/config"
  chmod 777 "$prefix/config"
  status=0
  message=$(setpriv --reuid=65534 --regid=65534 --clear-groups env XDG_CONFIG_HOME="$prefix/config" \
              "$prefix/bin/quillmer-convert" 2>&1) || status=$?
  [ "$status" -eq 2 ] || { echo "exit status $status: $message"; exit 1; }
  grep -qF "$prefix/config/quillmer/quillmer.ini" <<< "$message" || { echo "not the XDG folder: $message"; exit 1; }
else
  echo "setpriv cannot switch users here: the XDG check is skipped"
fi
echo "installed and checked in $prefix"
