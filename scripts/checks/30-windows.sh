#!/usr/bin/env bash
# The Windows program: cross-builds it (32-bit and 64-bit), checks the shipped 32-bit Q9XZ.exe
# without running it (headers, imports, resources), runs the core tests and a window driver on
# the 64-bit build under Wine, and compares a Convert in the window with the command-line
# converter on the same log, and on two logs picked together. Every Wine call is bounded by
# `timeout`.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

scripts/windows

exe32=build-win32/src/app/win32/Q9XZ.exe
exe64=build-win64/src/app/win32/Q9XZ.exe
prefix=$root/build-win64/wineprefix
wine_run=$root/cmake/wine-run
export WINEPREFIX=$prefix
wine_stop() { timeout 30 wineserver -k 2>/dev/null || true; }
trap wine_stop EXIT

# --- The shipped program, read as a file ------------------------------------------------------
if [[ -f $exe32 ]]; then
    headers=$(i686-w64-mingw32-objdump -p "$exe32")
    grep -q 'file format pei-i386' <<<"$headers" || fail "Q9XZ.exe is not a 32-bit x86 program"
    grep -Eq '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" ||
        fail "Q9XZ.exe is not a Windows GUI program"
    # Only DLLs that every Windows has.
    while read -r dll; do
        case ${dll^^} in
        KERNEL32.DLL | USER32.DLL | GDI32.DLL | COMDLG32.DLL | SHELL32.DLL | WININET.DLL | \
            MSVCRT.DLL | ADVAPI32.DLL | COMCTL32.DLL | WS2_32.DLL | OLE32.DLL) ;;
        *) fail "Q9XZ.exe imports $dll" ;;
        esac
    done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
    echo "imports: $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"

    resources=$(i686-w64-mingw32-windres -i "$exe32" -O rc)
    expect_resource() {
        grep -Fq -- "$1" <<<"$resources" || fail "Q9XZ.exe resources lack: $1"
    }
    expect_resource '1017, "About this program..."'
    expect_resource '1019, "Create Spreadsheet of Q9XZ Centennial QSOs"'
    expect_resource "1020, \"Can't open spreadsheet because it has not been converted.\""
    expect_resource '1021, "Did not specify input ADIF file."'
    expect_resource '1022, "Could not start web browser."'
    expect_resource '1023, "Did not specify outpu CSV file."'
    expect_resource '1024, "Could not open ADIF input file."'
    expect_resource '1025, "Could not open CSV output file."'
    # The maker's notice and the two addresses: present and short enough for their buffers.
    for id_limit in 1018:79 1026:159 1027:79; do
        id=${id_limit%%:*} limit=${id_limit##*:}
        text=$(sed -n "s/^  $id, \"\\(.*\\)\"\$/\\1/p" <<<"$resources")
        if [[ -z $text ]]; then
            fail "string $id missing"
        elif ((${#text} > limit)); then
            fail "string $id longer than $limit characters"
        fi
    done
    expect_resource '1016 14 /* RT_GROUP_ICON */'
    expect_resource '"\040\040\020\000", 1, 4,'
    expect_resource '"\020\020\020\000", 1, 4,'
    expect_resource 'FILEVERSION 2, 2, 0, 0'
    expect_resource 'PRODUCTVERSION 2, 2, 0, 0'
    expect_resource 'BLOCK "040904E4"'
    expect_resource 'VALUE "FileDescription", "Create Spreadsheet of Q9XZ Centennial QSOs"'
    expect_resource 'VALUE "ProductName", "Create Spreadsheet of Q9XZ Centennial QSOs"'
    expect_resource 'VALUE "InternalName", "Q9XZ"'
    expect_resource 'VALUE "OriginalFilename", "Q9XZ.exe"'
    expect_resource 'VALUE "FileVersion", "2.2.0.0"'
    expect_resource 'VALUE "Translation", 0x409, 1252'
    # String table and icon in English (United States).
    [[ $(grep -c '^LANGUAGE 9, 1' <<<"$resources") -ge 1 ]] || fail "resources not in English (US)"
else
    echo "note: $exe32 not built (the window's commands are not in this tree yet)"
fi

# --- The test suites under Wine ----------------------------------------------------------------
# Left out here, because Windows itself differs:
# - the hostile log with TIME_ON values of 2147483647 and -2147483648 hours and minutes: the
#   Windows runtime's local time covers only 1970 to 3000, so those contacts keep no date
#   (an empty cell) where Linux shows a day some 2450 years before or after 2014;
# - a test that needs a symbolic link, which Wine cannot make (nor Windows without a privilege).
skipped=(
    Logs/HostileInput.EndsWithTheDocumentedResult/extreme_dates_times_adi
    Convert.SpreadsheetThatCannotBeOpenedOrIsTheLogItself
)
GTEST_FILTER=-$(IFS=:; echo "${skipped[*]}")
export GTEST_FILTER
if ! timeout 600 ctest --test-dir build-win64 --output-on-failure -L wine; then
    fail "tests under Wine"
fi
wine_stop

# --- The window, driven under Wine with a virtual X server --------------------------------------
if [[ -f $exe64 ]]; then
    # The window looks for its switches anywhere in its command line, its own path included, so
    # it runs from a folder whose name holds no "-f" or "-l" (the clone's own path might).
    work=$(mktemp -d /tmp/q9xzwindowXXXXXX)
    trap 'wine_stop; rm -rf "$work"' EXIT
    cp samples/demo.adi "$work/demo.adi"
    winpath() { echo "Z:${1//\//\\}"; }
    # Leaves out Wine's and Xvfb's chatter and the response headers that the Update prints.
    quiet() {
        grep -v -e '^wine: Read access denied' -e '^X connection to' -e '^$' -e '^HTTP/1' \
            -e '^\(Server\|Date\|Content-type\|Content-Length\|Last-Modified\): ' || true
    }

    # The window's Update runs in 40-update-wininet.sh, against the HTTPS server it makes.
    update=()

    if ! timeout 300 xvfb-run -a "$wine_run" "$prefix" build-win64/tests/win32/q9xz_window_check.exe \
        "$(winpath "$root/$exe64")" "$(winpath "$work")" --log "$(winpath "$work/demo.adi")" \
        "${update[@]}" 2>&1 | tr -d '\r' | quiet; then
        fail "window check"
    fi
    wine_stop

    # The same log through the command-line converter, also under Wine: the list box shows what
    # the converter prints (less its last line, which the window shows in a box), and the two
    # spreadsheets are the same bytes.
    (cd "$work" && timeout 120 "$wine_run" "$prefix" "$root/build-win64/q9xz-convert.exe" \
        demo.adi cli.csv 2>/dev/null | tr -d '\r' >cli.txt) || fail "q9xz-convert.exe under Wine"
    if [[ -f $work/listbox.txt ]]; then
        sed '$d' "$work/cli.txt" | diff -u - "$work/listbox.txt" ||
            fail "list box lines differ from the converter's output"
        cmp "$work/cli.csv" "$work/result.csv" || fail "spreadsheets differ"
    else
        fail "the window check wrote no list-box lines"
    fi
    # The two logs the window check picked together, converted by the converter with LoTW.
    (cd "$work" && timeout 120 "$wine_run" "$prefix" "$root/build-win64/q9xz-convert.exe" \
        -l -o cli-two.csv My.Log.adi lotw.adi 2>/dev/null | tr -d '\r' >cli-two.txt) ||
        fail "q9xz-convert.exe of two logs under Wine"
    if [[ -f $work/listbox-two.txt ]]; then
        sed '$d' "$work/cli-two.txt" | sed '$d' | diff -u - "$work/listbox-two.txt" ||
            fail "list box lines of two logs differ from the converter's output"
        cmp "$work/cli-two.csv" "$work/result-two.csv" || fail "spreadsheets of two logs differ"
    else
        fail "the window check wrote no list-box lines for two logs"
    fi
    wine_stop
else
    echo "note: $exe64 not built (the window's commands are not in this tree yet)"
fi

exit $failed
