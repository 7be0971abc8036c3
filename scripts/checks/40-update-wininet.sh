#!/usr/bin/env bash
# The Update command on the Windows Internet client: builds a small x86_64 probe from the same
# sources as the program's Update button, runs it under wine64 against a local HTTP server and
# checks that the program file was replaced and the old one kept.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$root/build/update-wine
rm -rf "$work/srv" "$work/run"
mkdir -p "$work/srv/Q9XZ" "$work/run"

src=$root/src/app/update
nice x86_64-w64-mingw32-g++-posix -std=c++20 -Wall -Wextra -Werror -O1 -I"$root/src" -I"$root/tests/update" \
    "$root/tests/update/wine/wininet_update_probe.cpp" \
    "$src/check_for_update.cpp" "$src/response_headers.cpp" "$src/disk_update_files.cpp" \
    "$src/disk_rename_win32.cpp" "$src/wininet_http.cpp" \
    -static -static-libgcc -static-libstdc++ -s -lwininet -o "$work/probe.exe"
# The Windows program's own update code must compile for the 32-bit target too.
i686-w64-mingw32-g++-posix -std=c++20 -Wall -Wextra -Werror -I"$root/src" \
    -DQ9XZ_UPDATE_HOST='"updates.example.invalid"' -fsyntax-only \
    "$src/wininet_http.cpp" "$src/update_command_wininet.cpp" "$src/disk_rename_win32.cpp"

printf '2.7\r\n' >"$work/srv/Q9XZ/version.txt"
head -c 200000 /dev/urandom >"$work/srv/Q9XZ/Q9XZ.exe"
echo "old program" >"$work/run/Q9XZ.exe"

python3 -u -m http.server --bind 127.0.0.1 0 --directory "$work/srv" >"$work/server.log" 2>&1 &
server=$!
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    kill "$server" 2>/dev/null || true
    timeout 30 wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

port=
for _ in $(seq 50); do
    port=$(sed -n 's/^Serving HTTP on 127.0.0.1 port \([0-9]*\).*/\1/p' "$work/server.log")
    [[ -n "$port" ]] && break
    sleep 0.1
done
[[ -n "$port" ]] || { echo "update-wininet: the local server did not start" >&2; exit 1; }

if [[ ! -d "$WINEPREFIX" ]]; then
    timeout 180 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
        /d 0 /f >/dev/null 2>&1
fi
(cd "$work/run" && timeout 120 wine "$work/probe.exe" 127.0.0.1 "$port" >"$work/boxes.txt" \
    2>"$work/headers.txt")

expected=$'[Information] Version 2.7 is available.\nDo you want to download it?\n--\n[Update Complete] You must re-start the Q9XZ\nprogram to use the new version.\n--'
if [[ "$(tr -d '\r' <"$work/boxes.txt")" != "$expected" ]]; then
    echo "update-wininet: unexpected message boxes:" >&2
    cat "$work/boxes.txt" >&2
    exit 1
fi
cmp "$work/run/Q9XZ.exe" "$work/srv/Q9XZ/Q9XZ.exe"
[[ "$(cat "$work/run/Q9XZ.~xe")" == "old program" ]]
grep -q '^HTTP/1.[01] 200' "$work/headers.txt"
echo "update-wininet: ok"
