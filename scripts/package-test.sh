#!/usr/bin/env bash
# The Debian package as a user gets it: installed with apt-get, the installed
# converter converts the sample, the installed desktop program starts to its
# window (offscreen) and saves its settings in the user's folder at the end;
# removed, nothing of it is left.   usage: package-test.sh DEB (root, or sudo)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
deb="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
work="$(mktemp -d)"
chmod 755 "$work"
trap 'rm -rf "$work" 2>/dev/null || sudo rm -rf "$work"' EXIT
as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"
export DEBIAN_FRONTEND=noninteractive
$as_root apt-get install -y -qq "$deb" >/dev/null
files="$(dpkg -L quillmer)"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

for program in /usr/bin/quillmer /usr/bin/quillmer-convert; do [ -x "$program" ] || fail "not installed: $program"; done
quillmer-convert "$root/examples/outlook-export.csv" "$work/out.vcs" >/dev/null || fail "installed converter failed"
cmp -s "$work/out.vcs" "$root/examples/outlook-export.vcs" || fail "installed converter's output"
quillmer-convert --version | grep -q "$(dpkg-query -W -f='${Version}' quillmer)" || fail "--version is not the package's"

# As a user, who cannot write /usr/bin: the settings go to the XDG folder.
mkdir "$work/config"
$as_root chown 65534:65534 "$work/config"
$as_root setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$work" XDG_CONFIG_HOME="$work/config" \
  QT_QPA_PLATFORM=offscreen /usr/bin/quillmer >"$work/gui.log" 2>&1 &
gui=$!
sleep 3
if kill -0 "$gui" 2>/dev/null; then
  kill -TERM "$gui"
  wait "$gui" || fail "quillmer ended with $? on SIGTERM: $(cat "$work/gui.log")"
  [ -f "$work/config/quillmer/quillmer.ini" ] || fail "no settings saved: $(ls -R "$work/config")"
else
  fail "quillmer did not stay up: $(cat "$work/gui.log")"
fi

$as_root apt-get remove -y -qq --purge quillmer >/dev/null
dpkg-query -W quillmer >/dev/null 2>&1 && fail "still known to dpkg"
while IFS= read -r path; do
  [ -d "$path" ] && continue
  [ -e "$path" ] && fail "left behind: $path"
done <<<"$files"
[ -e /usr/share/doc/quillmer ] && fail "left behind: /usr/share/doc/quillmer"
echo "package-test: $((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
[ "$failures" = 0 ]
