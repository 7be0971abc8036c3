#!/usr/bin/env bash
# Installs into a temporary folder and checks what a user gets: the installed converter gives the
# same output as the built one, the menu entry, file type, software-centre file, icons and manual
# pages pass their validators, and the Debian package (and the Windows zip, when Q9XZ.exe is
# built) holds them, with the licence; lintian finds no error and no warning in the package.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=$(cd "${BUILD:-build}" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
    echo "50-install: $*" >&2
    failures=$((failures + 1))
}

# The desktop files come with the window; a build without it installs the converter only.
with_window=0
[[ -x "$build/q9xz" ]] && with_window=1
icon_sizes=(16 32 48 64 128 256)
metainfo=usr/share/metainfo/org.example.q9xz.metainfo.xml
expected=(usr/bin/q9xz-convert usr/share/man/man1/q9xz-convert.1.gz usr/share/doc/q9xz/README.md
    usr/share/doc/q9xz/copyright usr/share/doc/q9xz/changelog.gz)
if ((with_window)); then
    expected+=(usr/bin/q9xz usr/share/man/man1/q9xz.1.gz usr/share/applications/q9xz.desktop
        usr/share/mime/packages/q9xz.xml "$metainfo")
    for n in "${icon_sizes[@]}"; do
        expected+=("usr/share/icons/hicolor/${n}x${n}/apps/q9xz.png")
    done
fi

# --- Install into a DESTDIR ---
dest=$tmp/root
DESTDIR=$dest cmake --install "$build" --prefix /usr >"$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log" >&2; fail "cmake --install failed"; exit 1; }
for path in "${expected[@]}"; do
    [[ -f "$dest/$path" ]] || fail "not installed: /$path"
done
[[ -x "$dest/usr/bin/q9xz-convert" ]] || { fail "no installed converter"; exit 1; }

# --- The installed converter behaves as the built one ---
for choice in "" -f -l; do
    for side in built installed; do
        mkdir -p "$tmp/run-$side"
        cp samples/demo.adi "$tmp/run-$side/demo.adi"
        program=$build/q9xz-convert
        [[ $side == installed ]] && program=$dest/usr/bin/q9xz-convert
        # shellcheck disable=SC2086 # the empty choice must vanish
        (cd "$tmp/run-$side" && "$program" $choice demo.adi >stdout 2>stderr; echo $? >status)
    done
    for part in stdout stderr status demo.CSV; do
        cmp -s "$tmp/run-built/$part" "$tmp/run-installed/$part" ||
            fail "installed q9xz-convert ${choice:-(Last)}: $part differs from the built one"
    done
    [[ $(cat "$tmp/run-built/status") == 0 ]] || fail "q9xz-convert ${choice:-(Last)} failed on the demo log"
    grep -q '^Wrote [0-9]* Q9XZ QSOs to demo.CSV$' "$tmp/run-installed/stdout" ||
        fail "installed q9xz-convert ${choice:-(Last)}: no completion line"
    rm -rf "$tmp/run-built" "$tmp/run-installed"
done

# --- One version text: the programs, the manual pages, the change log and the package agree ---
version_line=$("$dest/usr/bin/q9xz-convert" --version)
version=${version_line#q9xz-convert }
[[ "$version_line" =~ ^q9xz-convert\ [0-9]+\.[0-9]+$ ]] || fail "odd version line: $version_line"
pages=(q9xz-convert)
if ((with_window)); then
    pages+=(q9xz)
    [[ $("$dest/usr/bin/q9xz" --version) == "q9xz $version" ]] ||
        fail "q9xz --version: $("$dest/usr/bin/q9xz" --version)"
fi
changelog_version=$(zcat "$dest/usr/share/doc/q9xz/changelog.gz" | dpkg-parsechangelog -l - -S Version)
[[ "$changelog_version" == "$version" ]] ||
    fail "the change log's last entry is $changelog_version, the programs are $version"

# --- Manual pages: carry the version, format without a single warning ---
for page in "${pages[@]}"; do
    file=$dest/usr/share/man/man1/$page.1.gz
    zcat "$file" | grep -q "^\.TH .*\"${page//-/\\\\-} $version\"" ||
        fail "manual page $page does not carry version $version"
    warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >"$tmp/man.txt") || true
    [[ -z "$warnings" ]] || fail "man --warnings $page: $warnings"
    for section in NAME SYNOPSIS OPTIONS "EXIT STATUS" EXAMPLES; do
        grep -q "^$section" "$tmp/man.txt" || fail "manual page $page has no $section section"
    done
done

# --- Menu entry, file type and icons ---
desktop=$dest/usr/share/applications/q9xz.desktop
((with_window)) || desktop=resources/q9xz.desktop
# Hints are advice only; errors and warnings are not.
if ! report=$(desktop-file-validate "$desktop" 2>&1) || grep -qE 'error|warning' <<<"$report"; then
    fail "desktop-file-validate: $report"
fi
for key in Name Comment Exec; do
    grep -q "^$key=" "$desktop" || fail "desktop entry has no $key"
done
grep -q '^Icon=q9xz$' "$desktop" || fail "desktop entry does not use the q9xz icon"
# The file manager hands the files to open over on the command line.
grep -q '^Exec=q9xz %F$' "$desktop" || fail "desktop entry does not pass the files it opens"
grep -q '^Categories=.*HamRadio;' "$desktop" || fail "desktop entry is not in HamRadio"
grep -q '^Categories=.*Utility;' "$desktop" || fail "desktop entry is not in Utility"
grep -q '^MimeType=application/x-adif;' "$desktop" || fail "desktop entry does not open ADIF logs"
if ((with_window)); then
    # The file type must be one the desktop's MIME database takes: *.adi and *.adif map to it.
    report=$(appstreamcli validate --no-net "$dest/$metainfo" 2>&1) ||
        fail "appstreamcli validate: $report"
    mime=$dest/usr/share/mime
    update-mime-database "$mime" >"$tmp/mime.log" 2>&1 || fail "update-mime-database: $(cat "$tmp/mime.log")"
    for glob in '*.adi' '*.adif'; do
        grep -qF "application/x-adif:$glob" "$mime/globs2" 2>/dev/null || fail "MIME database: $glob is not application/x-adif"
    done
    for n in "${icon_sizes[@]}"; do
        png=$dest/usr/share/icons/hicolor/${n}x${n}/apps/q9xz.png
        problem=$(python3 - "$png" "$n" 2>&1 <<'PY'
# Decodes the whole file: chunk checksums, size, pixel data; the corner is see-through and the
# sheet's outline is drawn.
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
size = int(sys.argv[2])
if data[:8] != b"\x89PNG\r\n\x1a\n":
    sys.exit("not a PNG")
pos, idat, header = 8, b"", None
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])[0] != zlib.crc32(kind + body):
        sys.exit(f"bad checksum in {kind}")
    header = body if kind == b"IHDR" else header
    idat += body if kind == b"IDAT" else b""
    pos += 12 + length
width, height, depth, colour = struct.unpack(">IIBB", header[:10])
if (width, height, depth, colour) != (size, size, 8, 6):
    sys.exit(f"{width}x{height}, depth {depth}, colour type {colour}")
raw = zlib.decompress(idat)
stride = 1 + 4 * size
if len(raw) != stride * size:
    sys.exit("pixel data of the wrong length")
pixel = lambda x, y: raw[y * stride + 1 + 4 * x:y * stride + 5 + 4 * x]
if pixel(0, 0)[3] != 0 or pixel(size // 16, size // 2) != b"\0\0\0\xff":
    sys.exit("not the Q9XZ picture")
PY
        ) || fail "icon ${n}x${n}: $problem"
    done
fi

# --- Debian package (and the Windows zip when Q9XZ.exe is there) ---
BUILD=$build scripts/package --no-windows-build "$tmp/packages" >"$tmp/package.log" 2>&1 ||
    { cat "$tmp/package.log" >&2; fail "scripts/package failed"; exit 1; }
deb=$(ls "$tmp"/packages/q9xz_*.deb)
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./||' >"$tmp/deb.txt"
for path in "${expected[@]}"; do
    grep -qxF "$path" "$tmp/deb.txt" || fail "not in the .deb: /$path"
done
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail ".deb version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
[[ "$depends" == *libstdc++6* ]] || fail ".deb does not depend on the C++ library: $depends"
if ((with_window)); then
    [[ "$depends" == *libfltk1.3* ]] || fail ".deb does not depend on FLTK: $depends"
    [[ "$depends" == *libcurl* ]] || fail ".deb does not depend on libcurl: $depends"
fi
# It prints only errors and warnings; that it runs as root is not a finding.
status=0
lintian --fail-on error,warning "$deb" >"$tmp/lintian.txt" 2>&1 || status=$?
report=$(grep -v 'running with root privileges' "$tmp/lintian.txt" || true)
[[ $status == 0 && -z "$report" ]] || fail "lintian (status $status): $report"
zip=$tmp/packages/q9xz-$version-windows.zip
if [[ -f "$zip" ]]; then
    python3 -m zipfile -l "$zip" >"$tmp/zip.txt"
    for path in Q9XZ.exe q9xz-convert.exe README.txt LICENSE.txt NOTICES.txt demo.adi; do
        path=Q9XZ-$version/$path
        grep -q "^$path " "$tmp/zip.txt" || fail "not in the Windows zip: $path"
    done
    # The read-me's title is underlined to its end.
    # Python prints the two lines itself: a `head` that closes the pipe early breaks it.
    title=$(python3 -c 'import sys, zipfile
text = zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]).decode()
print("\n".join(text.splitlines()[:2]))' "$zip" "Q9XZ-$version/README.txt" | tr -d '\r')
    [[ $(sed -n 1p <<<"$title" | tr -c '\n' =) == $(sed -n 2p <<<"$title") ]] ||
        fail "the Windows README.txt's title is not underlined to its end: $title"
else
    echo "50-install: no Windows zip checked ($(tail -n 1 "$tmp/package.log"))"
fi

if ((failures)); then
    echo "50-install: $failures problem(s)" >&2
    exit 1
fi
echo "50-install: installed files, converter output, manual pages, desktop entry, metainfo and packages OK; lintian clean"
