#!/usr/bin/env bash
# The Update command on the Windows Internet client, under wine64, against a local HTTPS server
# whose authority this check makes. A small probe built from the same sources as the program's
# Update button runs the command:
#   1. while the authority is unknown to Wine: refused with WinInet's certificate error in the
#      send-failure box, nothing renamed or written;
#   2. after the authority was added to the root store of this check's own Wine prefix (never
#      the machine's store): the program file, in another folder than the current one, is
#      replaced by the served one after its digest was checked, and the old one kept beside it.
#      A server that trickles the program file is ended by the least speed, one that drips the
#      version answer by the version check's deadline.
# When 2 ran, the window itself (a test build of Q9XZ.exe whose Update asks this server) is
# driven too: a log chosen in another folder, then Update, which must replace the program's own
# file; then the same in the 32-bit build's own test build of the window, where 32-bit Windows
# programs run. When Wine does not take the authority from the prefix, 2 and the window are left
# out with a note.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# The version the build defines, from its one place.
version=$(sed -n 's/^set(Q9XZ_VERSION_TEXT "\(.*\)")$/\1/p' "$root/cmake/Version.cmake")
work=$root/build/update-wine
rm -rf "$work/srv" "$work/run" "$work/window" "$work/window32" "$work/certs"
mkdir -p "$work/srv/Q9XZ" "$work/run/prog" "$work/run/elsewhere" "$work/window" "$work/window32"

src=$root/src/app/update
nice x86_64-w64-mingw32-g++-posix -std=c++20 -Wall -Wextra -Werror -O1 -I"$root/src" -I"$root/resources" \
    -I"$root/tests/update" "$root/tests/update/wine/wininet_update_probe.cpp" \
    "$src/check_for_update.cpp" "$src/response_headers.cpp" "$src/disk_update_files.cpp" \
    "$root/src/common/file_replacement.cpp" "$root/src/common/file_replacement_win32.cpp" \
    "$src/http_client_wininet.cpp" "$src/sha256_cryptoapi.cpp" "$src/update_texts_wininet.cpp" \
    -static -static-libgcc -static-libstdc++ -s -lwininet -ladvapi32 -o "$work/probe.exe"
nice x86_64-w64-mingw32-g++-posix -std=c++20 -Wall -Wextra -Werror -O1 \
    "$root/tests/update/wine/trust_authority.cpp" -static -static-libgcc -static-libstdc++ -s \
    -lcrypt32 -o "$work/trust.exe"
# The Windows program's own update code must compile for the 32-bit target too.
i686-w64-mingw32-g++-posix -std=c++20 -Wall -Wextra -Werror -I"$root/src" -I"$root/resources" \
    -DQ9XZ_UPDATE_HOST='"updates.example.invalid"' -DQ9XZ_UPDATE_PORT=443 \
    -DQ9XZ_UPDATE_TRUSTED_CA='""' -DQ9XZ_VERSION_TEXT="\"$version\"" -fsyntax-only \
    "$src/http_client_wininet.cpp" "$src/update_command_wininet.cpp" "$src/disk_update_files.cpp" \
    "$root/src/common/file_replacement_win32.cpp" "$src/sha256_cryptoapi.cpp" \
    "$src/update_texts_wininet.cpp"

"$root/tests/update/make_test_certificates.sh" "$work/certs"
openssl x509 -in "$work/certs/ca.pem" -outform DER -out "$work/certs/ca.der"
head -c 200000 /dev/urandom >"$work/srv/Q9XZ/Q9XZ.exe"
printf '2.7\r\nsha256 %s\r\n' "$(sha256sum "$work/srv/Q9XZ/Q9XZ.exe" | cut -d' ' -f1)" \
    >"$work/srv/Q9XZ/version.txt"
echo "old program" >"$work/run/prog/Q9XZ.exe"

# A server that presents a certificate of its own making: an authority nobody trusts. (One
# signed by an unknown authority would do as well on Windows, but Wine then reports the
# revocation check it could not make, 12057, instead of the unknown authority.)
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/certs/stranger.key" \
    -out "$work/certs/stranger.pem" -days 2 -subj "/CN=127.0.0.1" \
    -addext "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1" 2>/dev/null

prefix=$work/prefix
wine_run=$root/cmake/wine-run
server=
stop_server() {
    [[ -z $server ]] || kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    server=
}
cleanup() {
    stop_server
    WINEPREFIX=$prefix timeout 30 wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
# start_server PORT NAME [--trickle|--silent]: serves the site with certs/NAME.pem; sets $port.
start_server() {
    stop_server
    rm -f "$work/server.out"
    python3 -u "$root/tests/update/https_server.py" "$1" "$work/certs/$2.pem" \
        "$work/certs/$2.key" "$work/srv" ${3:+"$3"} >"$work/server.out" 2>"$work/server.log" &
    server=$!
    for _ in $(seq 50); do
        grep -q '^port ' "$work/server.out" 2>/dev/null && break
        kill -0 "$server" 2>/dev/null || break
        sleep 0.1
    done
    port=$(sed -n 's/^port //p' "$work/server.out")
    [[ -n "$port" ]] || {
        echo "update-wininet: the HTTPS server did not start on port $1: $(cat "$work/server.log")" >&2
        exit 1
    }
}

winpath() { echo "Z:${1//\//\\}"; }
# Runs the probe from a current folder other than the program's, with the limits in seconds
# when given; its boxes, CR-less.
probe() {
    (cd "$work/run/elsewhere" && "$wine_run" "$prefix" "$work/probe.exe" 127.0.0.1 "$port" \
        "$(winpath "$work/run/prog/Q9XZ.exe")" "$@" 2>"$work/headers.txt") | tr -d '\r'
}
listing() { (cd "$work/run" && find . -type f -exec sha256sum {} + | sort); }

# 1. An authority Wine does not know.
start_server 0 stranger
before=$(listing)
boxes=$(Q9XZ_WINE_TIMEOUT=120 probe)
expected=$'[Error] HttpSendRequest failed, error = 12045d (0x12045x)\n\n--'
if [[ "$boxes" != "$expected" ]]; then
    echo "update-wininet: unknown authority: unexpected message boxes:" >&2
    echo "$boxes" >&2
    exit 1
fi
[[ "$(listing)" == "$before" ]] || { echo "update-wininet: the refused update changed files" >&2; exit 1; }
echo "update-wininet: unknown authority refused with 12045"

# 2. The authority trusted inside this prefix only, and a server it vouches for, on the port of
# the test build of the window.
local_exe=$root/build-win64/tests/update/q9xz-local-update.exe
if [[ ! -f $local_exe || ! -f $root/build-win64/tests/win32/q9xz_window_check.exe ]]; then
    echo "update-wininet: the test build of the window or its driver is not built (scripts/windows)" >&2
    exit 1
fi
window_port=$(sed -n 's/^Q9XZ_TEST_UPDATE_PORT:STRING=//p' "$root/build-win64/CMakeCache.txt")
start_server "$window_port" server
Q9XZ_WINE_TIMEOUT=120 "$wine_run" "$prefix" "$work/trust.exe" "$(winpath "$work/certs/ca.der")"
boxes=$(Q9XZ_WINE_TIMEOUT=120 probe)
expected=$'[Information] Version 2.7 is available.\nDo you want to download it?\n--\n[Update Complete] You must re-start the Q9XZ\nprogram to use the new version.\n--'
if [[ "$boxes" == $'[Error] HttpSendRequest failed, error = 12045d (0x12045x)\n\n--' ]]; then
    echo "update-wininet: note: Wine's WinInet does not take the authority from the prefix's root store;"
    echo "update-wininet: the accepted update and the window's Update are left out"
    exit 0
fi
if [[ "$boxes" != "$expected" ]]; then
    echo "update-wininet: trusted server: unexpected message boxes:" >&2
    echo "$boxes" >&2
    exit 1
fi
cmp "$work/run/prog/Q9XZ.exe" "$work/srv/Q9XZ/Q9XZ.exe"
[[ "$(cat "$work/run/prog/Q9XZ.~xe")" == "old program" ]]
[[ -z "$(ls -A "$work/run/elsewhere")" ]] || { echo "update-wininet: files written in the current folder" >&2; exit 1; }
grep -q '^HTTP/1.[01] 200' "$work/headers.txt"
echo "update-wininet: trusted server: program file replaced, old one kept, digest checked"

# A server that trickles the program file: with a least-speed period of five seconds the
# watchdog ends the download, which fails with the time-out number and changes nothing. (A
# server that never answers is not checked here: Wine's TLS handshake waits on regardless of the
# time-outs and of the closed handle, where Windows gives up.)
start_server 0 server --trickle
before=$(listing)
started=$SECONDS
boxes=$(Q9XZ_WINE_TIMEOUT=60 probe 5)
expected=$'[Information] Version 2.7 is available.\nDo you want to download it?\n--\n[Error] (3) InternetReadFile failed, error = 12002d (0x12002x)\n\n--\n[Error] The download failed; the program was not changed.\n--'
if [[ "$boxes" != "$expected" ]]; then
    echo "update-wininet: trickling server: unexpected message boxes:" >&2
    echo "$boxes" >&2
    exit 1
fi
[[ "$(listing)" == "$before" ]] || { echo "update-wininet: the trickling server changed files" >&2; exit 1; }
echo "update-wininet: trickling server ended after $((SECONDS - started)) s, nothing changed"

# A server that drips the version answer: the least-speed period is twenty seconds, yet the
# version check ends at its deadline of three, in the box of the step it was waiting in.
start_server 0 server --drip-version
before=$(listing)
started=$SECONDS
boxes=$(Q9XZ_WINE_TIMEOUT=60 probe 20 3)
elapsed=$((SECONDS - started))
case $boxes in
$'[Error] The update server\'s answer could not be read.\n--' | \
    $'[Error] (1) InternetReadFile failed, error = 12002 (0x12002x)\n\n--' | \
    $'[Error] HttpSendRequest failed, error = 12002d (0x12002x)\n\n--') ;;
*)
    echo "update-wininet: dripping version answer: unexpected message boxes:" >&2
    echo "$boxes" >&2
    exit 1
    ;;
esac
((elapsed < 15)) || { echo "update-wininet: the version check took $elapsed s, past its deadline" >&2; exit 1; }
[[ "$(listing)" == "$before" ]] || { echo "update-wininet: the dripping server changed files" >&2; exit 1; }
echo "update-wininet: dripping version answer ended at the deadline after $elapsed s"
start_server "$window_port" server

# 3. The window's Update, after a log was chosen in another folder.
cp "$root/samples/demo.adi" "$work/window/demo.adi"
# The Wine session of the probes has no display; the window needs one of its own.
WINEPREFIX=$prefix timeout 30 wineserver -k 2>/dev/null || true
if ! timeout 300 xvfb-run -a "$wine_run" "$prefix" \
    "$root/build-win64/tests/win32/q9xz_window_check.exe" "$(winpath "$local_exe")" \
    "$(winpath "$work/window")" --log "$(winpath "$work/window/demo.adi")" --update 2.7 \
    --only-update 2>&1 | tr -d '\r' | grep -v -e '^HTTP/1' -e '^$' \
    -e '^X connection to' -e '^\(Server\|Date\|Content-type\|Content-Length\|Last-Modified\): ' -e '^wine: '; then
    echo "update-wininet: the window check failed" >&2
    exit 1
fi
cmp "$work/window/Q9XZ.exe" "$work/srv/Q9XZ/Q9XZ.exe"
cmp "$work/window/Q9XZ.~xe" "$local_exe"
# 4. The same Update in the 32-bit build: its own test build of the window (never the shipped
# program), driven by the 32-bit window check, where 32-bit Windows programs run.
local32=$root/build-win32/tests/update/q9xz-local-update.exe
driver32=$root/build-win32/tests/win32/q9xz_window_check.exe
if ! why=$("$root/scripts/wine32" check); then
    echo "update-wininet: skipped: the i686 window's Update: $why"
elif [[ ! -f $local32 || ! -f $driver32 ]]; then
    echo "update-wininet: the i686 test build of the window or its driver is not built (scripts/windows)" >&2
    exit 1
else
    start_server "$(sed -n 's/^Q9XZ_TEST_UPDATE_PORT:STRING=//p' "$root/build-win32/CMakeCache.txt")" server
    cp "$root/samples/demo.adi" "$work/window32/demo.adi"
    WINEPREFIX=$prefix timeout 30 wineserver -k 2>/dev/null || true
    if ! timeout 300 xvfb-run -a "$wine_run" "$prefix" "$driver32" "$(winpath "$local32")" \
        "$(winpath "$work/window32")" --log "$(winpath "$work/window32/demo.adi")" --update 2.7 \
        --only-update 2>&1 | tr -d '\r' | grep -v -e '^HTTP/1' -e '^$' -e '^X connection to' \
        -e '^\(Server\|Date\|Content-type\|Content-Length\|Last-Modified\): ' -e '^wine: '; then
        echo "update-wininet: the i686 window check failed" >&2
        exit 1
    fi
    cmp "$work/window32/Q9XZ.exe" "$work/srv/Q9XZ/Q9XZ.exe"
    cmp "$work/window32/Q9XZ.~xe" "$local32"
    echo "update-wininet: the i686 window's Update replaced its program file and kept the old one"
fi
echo "update-wininet: ok"
