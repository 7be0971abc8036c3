#!/usr/bin/env bash
# The Linux window's Update against a local HTTPS server, in a test build that asks 127.0.0.1 on
# PORT and trusts the authority at CA (made here): the newer version is offered with the
# download page, Yes opens the download address through the desktop's opener (a stub), and no
# file appears or changes in the current folder. Exits 77 (skipped) when the X tools are
# missing.
# Usage: linux_window_update_test.sh PROGRAM PORT CA
set -euo pipefail
program=$(realpath "$1")
port=$2
ca=$3
here=$(cd "$(dirname "$0")" && pwd)
if [[ -z "${Q9XZ_IN_XVFB:-}" ]]; then
    for tool in xvfb-run xdotool openssl; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
    done
    exec env Q9XZ_IN_XVFB=1 timeout 100 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

export LSAN_OPTIONS="suppressions=$here/../app/lsan-suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
title=' Create Spreadsheet of Q9XZ Centennial QSOs'
download_url=$(sed -n 's/^#define STR_DOWNLOAD_URL "\(.*\)"$/\1/p' "$here/../../resources/string_ids.h")
work=$(mktemp -d)
pid=
server=
trap '[[ -n "$pid" ]] && kill "$pid" 2>/dev/null; [[ -n "$server" ]] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The authority the test build trusts, made for this run, and the server it signs.
"$here/make_test_certificates.sh" "$work/certs"
mkdir -p "$(dirname "$ca")"
cp "$work/certs/ca.pem" "$ca"
mkdir -p "$work/site/Q9XZ"
printf '9.9\r\n' >"$work/site/Q9XZ/version.txt"
printf 'not for Linux' >"$work/site/Q9XZ/Q9XZ.exe"
python3 "$here/https_server.py" "$port" "$work/certs/server.pem" "$work/certs/server.key" \
    "$work/site" >"$work/server.out" 2>"$work/server.log" &
server=$!
for _ in $(seq 50); do
    grep -q '^port ' "$work/server.out" && break
    kill -0 "$server" 2>/dev/null || fail "the HTTPS server did not start on port $port: $(cat "$work/server.log")"
    sleep 0.1
done

mkdir "$work/bin" "$work/cwd"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
(cd "$work/cwd" && PATH="$work/bin:$PATH" exec "$program") &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name "^${title}\$" | head -1) ||
    fail "no window titled '$title'"
sleep 0.5

xdotool mousemove --window "$window" 270 137 click 1 # Update
box=$(timeout 30 xdotool search --sync --onlyvisible --name '^Information$' | head -1) ||
    fail "no Information box after Update: $(cat "$work/server.log")"
sleep 0.3
xdotool windowfocus --sync "$box" key Return # Yes
for _ in $(seq 50); do
    [[ -s "$work/opened" ]] && break
    sleep 0.1
done
[[ "$(cat "$work/opened" 2>/dev/null)" == "$download_url" ]] ||
    fail "Yes opened '$(cat "$work/opened" 2>/dev/null)', expected '$download_url'"
grep -q 'GET /Q9XZ/version.txt' "$work/server.log" || fail "the version was not asked for"
! grep -q 'Q9XZ.exe' "$work/server.log" || fail "the program file was downloaded"
[[ -z "$(ls -A "$work/cwd")" ]] || fail "files appeared in the current folder: $(ls -A "$work/cwd")"

kill "$pid"
wait "$pid" 2>/dev/null || true
pid=
echo "ok: Update offered 9.9, Yes opened $download_url, nothing downloaded or written"
