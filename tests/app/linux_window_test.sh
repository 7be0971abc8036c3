#!/usr/bin/env bash
# The Linux window under a virtual X server, started three times:
#  - "-l some-log.adi": it maps with its exact title and size, LoTW is marked and the log chosen,
#    so a Convert right away writes some-log.CSV as the converter does; Open then opens it, a
#    click on First moves the mark, Help starts the desktop's opener (a stub here) with the help
#    address, About shows its box, and Exit ends it with status 0;
#  - "-- -l.adi": the log named "-l.adi" is chosen with Last marked; Open before Convert fails; a
#    log picked through the ADIF File dialog converts;
#  - no arguments: Convert without a log fails, the file dialog leaves no "Gtk-CRITICAL" lines
#    on the terminal, and it opens in the current folder, where a typed bare name is picked. With "--with-update" the build has the update check: Update must answer with
#    a box (an error when the update server cannot be reached);
#  - "-l logs/home.adi logs/lotw.adi": the own log and a LoTW report are converted into the
#    spreadsheet the converter makes of the two, and so are they when picked together in the
#    ADIF File dialog.
# An unknown option ends the program with status 2 before any window. Arguments: the window, the
# converter, [--with-update]. Exits 77 (skipped) when the X tools are missing.
set -euo pipefail
program=$(realpath "$1")
converter=$(realpath "$2")
with_update=${3:-}
if [[ -z "${Q9XZ_IN_XVFB:-}" ]]; then
    for tool in xvfb-run xdotool import convert; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
    done
    exec env Q9XZ_IN_XVFB=1 timeout 100 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program" \
        "$converter" $with_update
fi

# A sanitizer build reports leaks of the font and X libraries at exit; only ours count.
here=$(dirname "$(realpath "$0")")
export LSAN_OPTIONS="suppressions=$here/lsan-suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
title=' Create Spreadsheet of Q9XZ Centennial QSOs'
help_url=$(sed -n 's/^#define STR_HELP_URL "\(.*\)"$/\1/p' "$here/../../resources/string_ids.h")
work=$(mktemp -d)
pid=
trap '[[ -n "$pid" ]] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$work/bin" "$work/expected" "$work/home"
# GTK's dialog keeps a list of recent files in the home folder: a scratch one here.
export HOME=$work/home
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
cp "$here/../../samples/demo.adi" "$work/some-log.adi"
cp "$here/../../samples/demo.adi" "$work/-l.adi"
"$converter" -l "$work/some-log.adi" "$work/expected/lotw.CSV" >/dev/null
"$converter" "$work/some-log.adi" "$work/expected/last.CSV" >/dev/null
cmp -s "$work/expected/lotw.CSV" "$work/expected/last.CSV" && fail "the demo log has no LoTW confirmation"

status=0
(cd "$work" && timeout 10 "$program" -x >"$work/out" 2>"$work/err") || status=$?
[[ $status -eq 2 && ! -s "$work/out" && "$(head -1 "$work/err")" == "q9xz: unknown option '-x'" ]] ||
    fail "-x: status $status, output '$(cat "$work/out" "$work/err")'"

# Starts the window in the scratch folder (whatever Update might do to files there stays there).
start_window() {
    (cd "$work" && PATH="$work/bin:$PATH" exec "$program" "$@" 2>>"$work/stderr") &
    pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name "^${title}\$" | head -1) ||
        fail "$*: no window titled '$title'"
    sleep 0.5
}
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }

exit_window() {
    click 480 137 # Exit
    local status=0
    timeout 10 tail --pid="$pid" -f /dev/null || fail "Exit did not end the program"
    wait "$pid" || status=$?
    pid=
    [[ $status -eq 0 ]] || fail "exit status $status"
}

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

# Waits until a window titled $1 maps and returns it.
wait_for() {
    timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -1
}

# Waits until no window titled $1 is shown.
wait_gone() {
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null || return 0
        sleep 0.1
    done
    fail "'$1' did not close"
}

# A button's message box maps with its title and closes with Return.
box_after_click() {
    local x=$1 y=$2 box_title=$3 box
    click "$x" "$y"
    box=$(wait_for "$box_title") || fail "no box titled '$box_title'"
    sleep 0.3
    xdotool windowfocus --sync "$box" key Return
    wait_gone "$box_title"
}

# Opens the ADIF File dialog, types the name $1 into it and picks it with Return.
pick_typed_log() {
    local dialog
    click 270 37 # ADIF File
    dialog=$(wait_for 'Input ADIF File') || fail "no file dialog"
    sleep 0.5
    xdotool windowfocus --sync "$dialog" type "$1"
    xdotool key Return
    wait_gone 'Input ADIF File'
}

# Waits for the opener stub to have been started $1 times and prints its last line.
last_opened() {
    for _ in $(seq 50); do
        (($(cat "$work/opened" 2>/dev/null | wc -l) >= $1)) && break
        sleep 0.1
    done
    tail -n 1 "$work/opened" 2>/dev/null
}

# --- A log and LoTW from the command line ---
start_window -l some-log.adi
[[ "$(xdotool getwindowname "$window")" == "$title" ]] || fail "title is '$(xdotool getwindowname "$window")'"
xdotool getwindowgeometry "$window" | grep -q 'Geometry: 545x480' ||
    fail "size: $(xdotool getwindowgeometry "$window")"
[[ "$(marked_choice)" == "LoTW " ]] || fail "after -l the marked choice is '$(marked_choice)'"
box_after_click 480 37 'Done' # Convert
cmp -s "$work/some-log.CSV" "$work/expected/lotw.CSV" ||
    fail "-l some-log.adi, Convert: some-log.CSV is not the converter's LoTW spreadsheet"
click 480 87 # Open
[[ "$(last_opened 1)" == "$work/some-log.CSV" ]] || fail "Open opened '$(last_opened 1)'"
click 390 37 # First
sleep 0.3
[[ "$(marked_choice)" == "First " ]] || fail "after First the marked choice is '$(marked_choice)'"
click 165 137 # Help
[[ "$(last_opened 2)" == "$help_url" ]] || fail "Help opened '$(last_opened 2)', expected '$help_url'"
box_after_click 60 137 'About this program\.\.\.' # About
exit_window

# --- A log whose name looks like a switch, after "--" ---
start_window -- -l.adi
[[ "$(marked_choice)" == "Last " ]] || fail "after '-- -l.adi' the marked choice is '$(marked_choice)'"
box_after_click 480 87 'Error' # Open before any Convert
box_after_click 480 37 'Done'  # Convert
cmp -s "$work/-l.CSV" "$work/expected/last.CSV" ||
    fail "-- -l.adi, Convert: -l.CSV is not the converter's Last spreadsheet"
# The file dialog opens in the chosen log's folder: a name typed there is picked.
rm "$work/some-log.CSV"
pick_typed_log some-log.adi
box_after_click 480 37 'Done' # Convert
cmp -s "$work/some-log.CSV" "$work/expected/last.CSV" || fail "the log picked in the dialog was not converted"
exit_window

# --- No arguments: Convert needs a log; the file dialog gives one ---
start_window
[[ "$(marked_choice)" == "Last " ]] || fail "without arguments the marked choice is '$(marked_choice)'"
box_after_click 480 37 'Error' # Convert without a log
if [[ "$with_update" == --with-update ]]; then
    box_after_click 270 137 '(Error|Information)' # Update
fi
# GTK's dialog, opened on its recent files, asserts in its name completion while a full path is
# typed; none of that may reach the terminal.
click 270 37 # ADIF File
dialog=$(wait_for 'Input ADIF File') || fail "no file dialog"
sleep 0.5
xdotool windowfocus --sync "$dialog" type "$work/some-log.adi"
sleep 0.5
for _ in 1 2 3; do
    xdotool search --onlyvisible --name '^Input ADIF File$' >/dev/null || break
    xdotool key Escape
    sleep 0.3
done
wait_gone 'Input ADIF File'
# With nothing chosen, the dialog opens in the current folder: a bare name typed there is picked.
rm -f "$work/some-log.CSV"
pick_typed_log some-log.adi
box_after_click 480 37 'Done' # Convert
cmp -s "$work/some-log.CSV" "$work/expected/last.CSV" ||
    fail "a name typed in the dialog opened without a choice was not taken from the current folder"
exit_window
if grep -q 'Gtk-CRITICAL' "$work/stderr"; then
    fail "the file dialog printed: $(grep -m 3 'Gtk-CRITICAL' "$work/stderr")"
fi

# --- Two logs picked together in the dialog ---
# An own log and a LoTW report that confirms one of its contacts and names no real state. The
# dialog opens in their folder with the first one selected; a click on it puts the focus in the
# list of files, where Ctrl+A selects both.
mkdir "$work/logs"
cp "$here/../../samples/demo.adi" "$work/logs/home.adi"
printf '%s\n' 'ARRL Logbook of the World Status Report' '<PROGRAMID:4>LoTW' '<EOH>' \
    '<CALL:6>Q9XZ/0 <QSO_DATE:8>20141002 <TIME_ON:4>2231 <BAND:3>20m <MODE:2>CW <STATE:2>MO <QSL_RCVD:1>Y <EOR>' \
    '<CALL:6>Q9XZ/5 <QSO_DATE:8>20140611 <TIME_ON:4>0101 <BAND:3>40m <MODE:2>CW <STATE:2>ZZ <QSL_RCVD:1>Y <EOR>' \
    >"$work/logs/lotw.adi"
"$converter" -l -o "$work/expected/two.CSV" "$work/logs/home.adi" "$work/logs/lotw.adi" >/dev/null
# Both named on the command line (as a file manager passes several files) are converted at once.
start_window -l logs/home.adi logs/lotw.adi
box_after_click 480 37 'Done' # Convert
cmp -s "$work/logs/home.CSV" "$work/expected/two.CSV" ||
    fail "the two logs named on the command line were not converted as the converter does"
rm "$work/logs/home.CSV"
click 270 37 # ADIF File
dialog=$(wait_for 'Input ADIF File') || fail "no file dialog"
sleep 1
xdotool mousemove --window "$dialog" 210 134 click 1
sleep 0.3
xdotool key ctrl+a
sleep 0.3
xdotool key Return
wait_gone 'Input ADIF File'
box_after_click 480 37 'Done' # Convert
cmp -s "$work/logs/home.CSV" "$work/expected/two.CSV" ||
    fail "the two logs picked together were not converted as the converter does"
exit_window

echo "ok: -x refused; -l some-log.adi marked LoTW and converted at once, Open, First, Help, About;" \
    "-- -l.adi marked Last and converted, so did a log picked in the dialog; no GTK noise;" \
    "two logs picked together converted; Exit ended each with 0"
