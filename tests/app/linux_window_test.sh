#!/usr/bin/env bash
# The Linux window under a virtual X server: it maps with its exact title and size, Help starts
# the desktop's opener (a stub here) with the help address, and Exit ends it with status 0.
# It starts with "-l": LoTW must be marked, and a click on First moves the mark. Two logs picked
# together in the ADIF File dialog are converted into the spreadsheet the command-line converter
# makes of them. With
# "--with-update" the build has the update check: Update must answer with a box (an error when
# the update server cannot be reached). Exits 77 (skipped) when the X tools are missing.
set -euo pipefail
program=$(realpath "$1")
with_update=${2:-}
if [[ -z "${Q9XZ_IN_XVFB:-}" ]]; then
    for tool in xvfb-run xdotool import convert; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
    done
    exec env Q9XZ_IN_XVFB=1 timeout 100 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" $with_update
fi

# A sanitizer build reports leaks of the font and X libraries at exit; only ours count.
export LSAN_OPTIONS="suppressions=$(dirname "$(realpath "$0")")/lsan-suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
title=' Create Spreadsheet of Q9XZ Centennial QSOs'
here=$(dirname "$(realpath "$0")")
help_url=$(sed -n 's/^#define STR_HELP_URL "\(.*\)"$/\1/p' "$here/../../resources/strings.h")
converter=$(dirname "$program")/q9xz-convert
work=$(mktemp -d)
pid=
trap '[[ -n "$pid" ]] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$work/bin" "$work/logs"
# FLTK's own file chooser, whose list can be clicked without a window manager.
export HOME=$work
mkdir -p "$HOME/.fltk/fltk.org"
printf '; FLTK preferences file format 1.0\n; vendor: fltk.org\n; application: fltk\n\n[.]\n\n[./options]\nFNFCUsesGTK:0\n' \
    >"$HOME/.fltk/fltk.org/fltk.prefs"
# An own log and a LoTW report that confirms one of its contacts and names no real state.
cp "$here/../../samples/demo.adi" "$work/logs/home.adi"
printf '%s\n' 'ARRL Logbook of the World Status Report' '<PROGRAMID:4>LoTW' '<EOH>' \
    '<CALL:6>Q9XZ/0 <QSO_DATE:8>20141002 <TIME_ON:4>2231 <BAND:3>20m <MODE:2>CW <STATE:2>MO <QSL_RCVD:1>Y <EOR>' \
    '<CALL:6>Q9XZ/5 <QSO_DATE:8>20140611 <TIME_ON:4>0101 <BAND:3>40m <MODE:2>CW <STATE:2>ZZ <QSL_RCVD:1>Y <EOR>' \
    >"$work/logs/lotw.adi"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"

# Run in the scratch folder: whatever Update might do to files there stays there.
(cd "$work/logs" && PATH="$work/bin:$PATH" exec "$program" -l) &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name "^${title}\$" | head -1) ||
    fail "no window titled '$title'"
[[ "$(xdotool getwindowname "$window")" == "$title" ]] || fail "title is '$(xdotool getwindowname "$window")'"
xdotool getwindowgeometry "$window" | grep -q 'Geometry: 545x480' ||
    fail "size: $(xdotool getwindowgeometry "$window")"
sleep 0.5

# The marked radio button, read from the picture: its dot makes the circle's middle dark.
marked_choice() {
    import -window "$window" "$work/window.png"
    local name y mean
    for name in First:37 Last:62 LoTW:87; do
        y=${name#*:}
        mean=$(convert "$work/window.png" -crop 6x6+355+$((y - 3)) -format '%[fx:mean]' info:)
        if awk -v m="$mean" 'BEGIN { exit !(m < 0.6) }'; then
            printf '%s ' "${name%:*}"
        fi
    done
}
[[ "$(marked_choice)" == "LoTW " ]] || fail "after -l the marked choice is '$(marked_choice)'"
xdotool mousemove --window "$window" 390 37 click 1 # First
sleep 0.3
[[ "$(marked_choice)" == "First " ]] || fail "after First the marked choice is '$(marked_choice)'"

xdotool mousemove --window "$window" 165 137 click 1 # Help
for _ in $(seq 50); do
    [[ -s "$work/opened" ]] && break
    sleep 0.1
done
[[ "$(cat "$work/opened" 2>/dev/null)" == "$help_url" ]] ||
    fail "Help opened '$(cat "$work/opened" 2>/dev/null)', expected '$help_url'"

# A button's message box maps with its title and closes with Return.
box_after_click() {
    local x=$1 y=$2 box_title=$3 box
    xdotool mousemove --window "$window" "$x" "$y" click 1
    box=$(timeout 30 xdotool search --sync --onlyvisible --name "^${box_title}\$" | head -1) ||
        fail "no box titled '$box_title'"
    sleep 0.3
    xdotool windowfocus --sync "$box" key Return
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name "^${box_title}\$" >/dev/null || return 0
        sleep 0.1
    done
    fail "box '$box_title' did not close"
}
box_after_click 60 137 'About this program\.\.\.' # About
box_after_click 480 87 'Error'                    # Open before any Convert
box_after_click 480 37 'Error'                    # Convert without a log
if [[ "$with_update" == --with-update ]]; then
    box_after_click 270 137 '(Error|Information)'  # Update
fi

# Both logs at once: the chooser lists "../", home.adi and lotw.adi; click the first log, add
# the second with Ctrl, and press OK.
xdotool mousemove --window "$window" 270 37 click 1 # ADIF File
chooser=$(timeout 20 xdotool search --sync --onlyvisible --name '^Input ADIF File$' | head -1) ||
    fail "no ADIF File dialog"
sleep 0.5
xdotool mousemove --window "$chooser" 30 73 click 1
sleep 0.3
xdotool keydown ctrl mousemove --window "$chooser" 30 93 click 1 keyup ctrl
sleep 0.3
xdotool mousemove --window "$chooser" 355 357 click 1 # OK
for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^Input ADIF File$' >/dev/null || break
    sleep 0.1
done
xdotool mousemove --window "$window" 390 87 click 1 # LoTW
box_after_click 480 37 'Done'                       # Convert
"$converter" -l -o "$work/expected.csv" "$work/logs/home.adi" "$work/logs/lotw.adi" >/dev/null ||
    fail "the converter failed on the two logs"
cmp -s "$work/expected.csv" "$work/logs/home.CSV" ||
    fail "the window's spreadsheet of two logs differs from the converter's"

xdotool mousemove --window "$window" 480 137 click 1 # Exit
status=0
timeout 10 tail --pid="$pid" -f /dev/null || fail "Exit did not end the program"
wait "$pid" || status=$?
pid=
[[ $status -eq 0 ]] || fail "exit status $status"
echo "ok: window mapped, -l marked LoTW, First took the mark, Help opened $help_url, boxes shown, two logs converted, Exit ended it with status 0"
