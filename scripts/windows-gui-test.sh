#!/usr/bin/env bash
# Quillmer.exe end to end under Wine, in its own X server with a window
# manager: start in an empty folder, fill in the paths and boxes, convert,
# read the completion box, close, check the three settings files byte for
# byte, start again and find them restored, an error box, the version dialog,
# files dropped from Explorer, the tooltips, the file dialogs, an .ics output,
# and a file given on the command line; the windows against their layout, at
# 96 dpi and again at 144 (150 % scaling).
#   usage: windows-gui-test.sh QUILLMER_EXE WINTEST_EXE [SCREENSHOT_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
helper="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
shots="${3:-}"
wine_run="$root/scripts/wine-run"
export WINEPREFIX="${WINEPREFIX:-${QUILLMER_WINEPREFIX:-${HOME:-/tmp}/.cache/quillmer/wine}}"
work="$(mktemp -d)"
xpid=""
# Wine's desktop process keeps the display it was started with: a server left
# from a run without one (or with another X server) cannot show windows.
restart_wine() { wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; }
# The density Wine gives its programs (96 is its default).
set_dpi() {
  restart_wine
  "$wine_run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
  restart_wine
}
cleanup() {
  [ "$dpi" = 96 ] || set_dpi 96
  restart_wine
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  rm -rf "$work"
}
dpi=96
trap cleanup EXIT
cd "$work"

# A display of our own, whatever number is free, of the size given.
start_display() {
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  exec 7<> <(:)
  Xvfb -displayfd 7 -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
  xpid=$!
  read -r -t 10 display <&7 || { echo "Xvfb did not start"; exit 1; }
  export DISPLAY=":$display"
  openbox >/dev/null 2>&1 &
  restart_wine
}
start_display 800x600

u8() { iconv -f CP932 -t UTF-8; }
h() { "$wine_run" "$helper" "$@" </dev/null; }
title="Kivaro; CSV to vCalendar for iPod series"
failures=0
expect() {  # name, actual, expected
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; echo "  got:      $2"; echo "  expected: $3"
    failures=$((failures + 1))
  fi
}
shot() { [ -n "$shots" ] && sleep 1 && import -window root "$shots/$1" 2>/dev/null || true; }

cp "$program" Quillmer.exe
here="Z:$(echo "$work" | tr / '\\')"
# The sample is typed from a copy in the work folder: the helper reads "\n" in
# a text as a line break, and the checkout's own path may hold one (...\names).
mkdir examples
cp "$root/examples/outlook-export.csv" examples/
examples="$here\\examples"
# iCalendar output is then the same bytes on every run.
export SOURCE_DATE_EPOCH=1704067200
start() {
  "$wine_run" Quillmer.exe "$@" </dev/null >/dev/null 2>&1 &
  gui=$!
  h wait "$title"
}
finish() {
  h close "$title"
  wait "$gui"
}

# First start: nothing saved yet, so no box; convert with options and filters.
start
option_text="$(u8 <"$root/examples/option.txt" | sed -z 's/\r\n/\\n/g; s/\n/\\n/g')"
filter_text="$(u8 <"$root/examples/filter.txt" | sed -z 's/\r\n/\\n/g; s/\n/\\n/g')"
h set "$title" 102 "$examples\\outlook-export.csv"
h set "$title" 103 "out.vcs"
h set "$title" 105 "$option_text"
h set "$title" 106 "$filter_text"
h layout "$title" 96 || { echo "FAIL main window against its layout at 96 dpi"; failures=$((failures + 1)); }
shot windows-main.png
h click "$title" 101
expect "completion box" "$(h box 変換の完了 | u8 | tr -d '\r')" "$(printf '変換と出力が完了しました\n\n・変換対象: 17件\n・フィルタ対象: 3件')"
cmp -s out.vcs "$root/examples/outlook-export-filtered.vcs" || { echo "FAIL output differs from the expected file"; failures=$((failures + 1)); }
finish

# The three files, byte for byte.
expect "option.txt" "$(od -An -tx1 option.txt)" "$(printf '%s' "$option_text" | sed 's/\\n/\r\n/g' | iconv -f UTF-8 -t CP932 | od -An -tx1)"
expect "filter.txt" "$(od -An -tx1 filter.txt)" "$(printf '%s' "$filter_text" | sed 's/\\n/\r\n/g' | iconv -f UTF-8 -t CP932 | od -An -tx1)"
expect "Quillmer.ini" "$(cat Quillmer.ini)" "$(printf '[i/o]\r\ninput=%s\\outlook-export.csv\r\noutput=out.vcs\r\nterminate=0\r' "$examples")"

# Second start: everything restored; an error box; the version dialog.
start
expect "input restored" "$(h get "$title" 102)" "$examples\\outlook-export.csv"
expect "output restored" "$(h get "$title" 103)" "out.vcs"
expect "filters restored" "$(h get "$title" 106 | od -An -tx1)" "$(od -An -tx1 filter.txt)"
# Typed as a user would: Tab from the button to the output path, then Enter.
window="$(timeout 10 xdotool search --name "^$title\$" | head -1)"
timeout 10 xdotool windowactivate --sync "$window" 2>/dev/null || timeout 10 xdotool windowfocus --sync "$window" || true
sleep 0.5
timeout 10 xdotool key --delay 100 Tab Tab
timeout 10 xdotool type --delay 50 typed.vcs
timeout 10 xdotool key Return
expect "Enter converts" "$(h box 変換の完了 | u8 | tr -d '\r' | head -1)" "変換と出力が完了しました"
cmp -s typed.vcs "$root/examples/outlook-export-filtered.vcs" || { echo "FAIL typed output path"; failures=$((failures + 1)); }
h set "$title" 102 "missing.csv"
h click "$title" 101
h wait "$title" >/dev/null
error="$(h box "$title" | u8)"
case "$error" in
  "ファイル \"Z:"*"\\missing.csv\". "*" は開けません.") ;;
  *) echo "FAIL error box: $error"; failures=$((failures + 1)) ;;
esac
h notify "$title" 107
h wait バージョン情報
# The version the build was configured with: 1.0.2.25 shows as 1.02, build 25.
IFS=. read -r major minor patch build <<<"$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$(dirname "$program")/CMakeCache.txt")"
expect "version line" "$(h get バージョン情報 203)" "Version $major.$minor$patch  (Build $build)"
expect "product name" "$(h get バージョン情報 202)" "Kivaro for iPod series"
h layout バージョン情報 96 || { echo "FAIL version dialog against its layout at 96 dpi"; failures=$((failures + 1)); }
shot windows-about.png
h close バージョン情報
h gone バージョン情報
if [ -n "$shots" ]; then
  h click "$title" 101
  sleep 2
  shot windows-error-box.png
  h box "$title" >/dev/null
fi
# The desktop's ways of naming a file, as on Linux: a file dropped from
# Explorer onto the output box is the output, anywhere else the input; each
# box's tooltip shows its whole path; 参照... in a box's context menu or a
# double-click opens the system's file dialog; an output named .ics converts
# to iCalendar.
long="$here\\a folder with a name long enough for a tooltip to cut it short\\予定表 2024.csv"
h drop "$title" 0 "$long"
expect "dropped onto the window" "$(h get "$title" 102 | u8)" "$long"
expect "input's tooltip" "$(h tip "$title" 102 | u8)" "$long"
h drop "$title" 105 "$examples\\outlook-export.csv"
expect "dropped onto a memo" "$(h get "$title" 102)" "$examples\\outlook-export.csv"
h drop "$title" 103 "$here\\dropped.vcs"
expect "dropped onto the output box" "$(h get "$title" 103)" "$here\\dropped.vcs"
expect "output's tooltip" "$(h tip "$title" 103)" "$here\\dropped.vcs"
h browse "$title" 102
expect "input dialog's name" "$(h get 入力CSVファイルの選択 1148)" "outlook-export.csv"
expect "input dialog's type" "$(h get 入力CSVファイルの選択 1136 | u8)" "CSV ファイル (*.csv)"
h click 入力CSVファイルの選択 2
h gone 入力CSVファイルの選択
h set "$title" 103 ""
h dblclick "$title" 103
expect "output dialog's name" "$(h get 出力VCSファイルの選択 1148)" "outlook-export.ics"
expect "output dialog's type" "$(h get 出力VCSファイルの選択 1136)" "iCalendar (*.ics)"
h set 出力VCSファイルの選択 1148 "$here\\calendar"
h click 出力VCSファイルの選択 1
h gone 出力VCSファイルの選択
expect "chosen output" "$(h get "$title" 103)" "$here\\calendar.ics"
expect "input kept" "$(h get "$title" 102)" "$examples\\outlook-export.csv"
h click "$title" 101
h box 変換の完了 >/dev/null
cmp -s calendar.ics "$root/examples/outlook-export-filtered.ics" || { echo "FAIL .ics output"; failures=$((failures + 1)); }
# The preview of the boxes as they are: counts, rows copied with Ctrl+A,
# Ctrl+C as a table, Escape closes it, and nothing is written.
output="$(h get "$title" 103)"
h set "$title" 102 "$examples\\outlook-export.csv"
h set "$title" 103 "preview.vcs"
h notify "$title" 108
h wait 内容の確認
for _ in $(seq 50); do h get 内容の確認 301 | u8 | grep -q 読み込み中 || break; sleep 0.1; done
expect "preview counts" "$(h get 内容の確認 301 | u8 | tr -d '\r' | head -1)" "・変換対象: 17件　・フィルタ対象: 3件"
shot windows-preview.png
preview="$(timeout 10 xdotool search --name "^内容の確認\$" | head -1)"
timeout 10 xdotool windowactivate --sync "$preview" 2>/dev/null || timeout 10 xdotool windowfocus --sync "$preview" || true
sleep 0.5
timeout 10 xdotool key ctrl+a ctrl+c
copied="$(h clipboard 内容の確認 | u8 | tr -d '\r')"
expect "copied titles" "$(printf '%s\n' "$copied" | head -1)" "$(printf '番号\t行\t状態\t件名\t開始\t終了\t場所\tアラーム')"
expect "copied first row" "$(printf '%s\n' "$copied" | sed -n 2p)" \
  "$(printf '1\t2\t変換\t定例会議\t2024/01/15 10:00\t2024/01/15 11:30\t本社 3F 会議室A\t2024/01/15 09:45')"
expect "copied rows" "$(printf '%s\n' "$copied" | wc -l)" "21"
timeout 10 xdotool key Escape
h gone 内容の確認 || { echo "FAIL Escape leaves the preview open"; failures=$((failures + 1)); h close 内容の確認; }
[ ! -e preview.vcs ] || { echo "FAIL the preview wrote its output"; failures=$((failures + 1)); }
# The preview of an export that never delivers (a named pipe whose server
# stays silent) closes at once: right after, the main window answers.
h silentpipe quillmer-silent 60 &
silent=$!
sleep 1
h set "$title" 102 '\\.\pipe\quillmer-silent'
h notify "$title" 108
h wait 内容の確認
sleep 0.5
h close 内容の確認
h gone 内容の確認 || { echo "FAIL the preview of a silent pipe stays open"; failures=$((failures + 1)); }
timeout 5 "$wine_run" "$helper" get "$title" 102 </dev/null >/dev/null ||
  { echo "FAIL the window hangs after closing the preview of a silent pipe"; failures=$((failures + 1)); }
kill "$silent" 2>/dev/null || true
wait "$silent" 2>/dev/null || true
h set "$title" 103 "$output"

# Auto-terminate: the program ends once the completion box is closed, and
# saves the settings on the way out.
h click "$title" 104
h set "$title" 102 "$examples\\outlook-export.csv"
h click "$title" 101
h box 変換の完了 >/dev/null
for _ in $(seq 100); do kill -0 "$gui" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$gui" 2>/dev/null; then echo "FAIL still running after auto-terminate"; failures=$((failures + 1)); finish; fi
wait "$gui" || true
expect "terminate saved" "$(grep -a terminate Quillmer.ini | tr -d '\r')" "terminate=1"

# A file given on the command line (Explorer's Open with, Send to) is the
# input, made absolute; the output stays the saved one.
start given.csv
expect "file argument" "$(h get "$title" 102)" "$here\\given.csv"
expect "saved output" "$(h get "$title" 103)" "$here\\calendar.ics"
finish

# Side files the boxes were opened with and left alone come back byte for
# byte: a byte that can lead a double-byte character keeps the line break
# after it (a stray one, and the last byte of UTF-8 "）").
printf 'X-A:\x81\r\nX-B:1\r\n' >option.txt
printf 'F\xef\xbc\x89\r\nG' >filter.txt
cp option.txt option.before
cp filter.txt filter.before
start
finish
cmp -s option.txt option.before || { echo "FAIL option.txt changed: $(od -An -tx1 option.txt)"; failures=$((failures + 1)); }
cmp -s filter.txt filter.before || { echo "FAIL filter.txt changed: $(od -An -tx1 filter.txt)"; failures=$((failures + 1)); }
# At 150 % scaling: the same windows 1.5 times as large, every caption whole.
start_display 1280x1024
dpi=144
set_dpi 144
start
# As the first picture shows it.
h set "$title" 102 "$examples\\outlook-export.csv"
h set "$title" 103 "out.vcs"
h click "$title" 104
h set "$title" 105 "$option_text"
h set "$title" 106 "$filter_text"
h layout "$title" 144 || { echo "FAIL main window against its layout at 144 dpi"; failures=$((failures + 1)); }
if [ -n "$shots" ]; then
  sleep 1
  import -window "$(timeout 10 xdotool search --name "^$title\$" | head -1)" -frame "$shots/windows-main-150.png" 2>/dev/null || true
fi
for moved in 96 144; do
  h dpichange "$title" $moved
  h layout "$title" $moved || { echo "FAIL main window moved to $moved dpi"; failures=$((failures + 1)); }
done
h notify "$title" 107
h wait バージョン情報
h layout バージョン情報 144 || { echo "FAIL version dialog against its layout at 144 dpi"; failures=$((failures + 1)); }
# Moved to a monitor at 100 % and back, as Windows tells it.
for moved in 96 144; do
  h dpichange バージョン情報 $moved
  h layout バージョン情報 $moved || { echo "FAIL version dialog moved to $moved dpi"; failures=$((failures + 1)); }
done
h close バージョン情報
h gone バージョン情報
finish
set_dpi 96
dpi=96
echo "windows_gui_test: $((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
[ "$failures" = 0 ]
