#!/usr/bin/env bash
# The Linux window under a virtual X server: it maps with its exact title and size, Help starts
# the desktop's opener (a stub here) with the help address, and Exit ends it with status 0.
# It starts with "-l": LoTW must be marked, and a click on First moves the mark. With
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
help_url=$(sed -n 's/^#define STR_HELP_URL "\(.*\)"$/\1/p' "$(dirname "$0")/../../resources/strings.h")
work=$(mktemp -d)
pid=
trap '[[ -n "$pid" ]] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$work/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"

# Run in the scratch folder: whatever Update might do to files there stays there.
(cd "$work" && PATH="$work/bin:$PATH" exec "$program" -l) &
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

xdotool mousemove --window "$window" 480 137 click 1 # Exit
status=0
timeout 10 tail --pid="$pid" -f /dev/null || fail "Exit did not end the program"
wait "$pid" || status=$?
pid=
[[ $status -eq 0 ]] || fail "exit status $status"
echo "ok: window mapped, -l marked LoTW, First took the mark, Help opened $help_url, boxes shown, Exit ended it with status 0"
