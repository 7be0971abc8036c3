#!/usr/bin/env bash
# Peak memory of the command-line converter on logs made to fill it: every problem line kept,
# a record that never ends, one line of a million bytes of fields, a value of a megabyte. Each
# conversion must stay under 16 MiB, whatever the size of the log. The demo log damaged in ways
# that once lost contacts (damaged-*.adi) must also give the demo's own spreadsheet.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${Q9XZ_BUILD:-$root/build}
limit_kib=$((16 * 1024))
if [[ ! -x $build/q9xz-convert ]]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    nice cmake --build "$build" -j 2 --target q9xz-convert >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" "$root/samples/demo.adi" <<'PY'
import itertools, os, string, sys
d = sys.argv[1]
demo = open(sys.argv[2], "rb").read().decode("latin-1")
def log(name, parts):
    with open(os.path.join(d, name), "w", newline="") as f:
        for part in parts:
            f.write(part)
call = "<CALL:7>Q9XZ/MM<QSO_DATE:8>20140412<TIME_ON:4>2210<BAND:3>20m<MODE:2>CW<EOR>\n"
log("empty-fields.adi", ["<A:0>\n" * 1000000] * 3)              # 18 MB, one problem a line
log("invalid-calls.adi", [call * 100000] * 4)                   # 400,000 problem lines
log("no-record-end.adi", ("<F%d:1>x\n" % i for i in range(1000000)))
log("one-line-repeats.adi", [("<A:0>" * 200000 + "\n") * 10])  # lines of a million bytes
names = ("".join(p) for n in (1, 2, 3, 4)
         for p in itertools.product(string.ascii_uppercase + string.digits, repeat=n))
line = "".join("<%s:0>" % n for n in itertools.islice(names, 130000))
log("one-line-names.adi", [(line + "\n") * 5])
# Repeats whose values keep running over the ends of the line's pieces of 1 MiB (30 MB).
log("long-value-repeats.adi", ["<CALL:4>Q9XZ"] + ["<NOTES:1000>" + "n" * 1000] * 30000 + ["<EOR>\n"])
log("megabyte-values.adi", ["<V%d:1048576>" % i + "x\n" * 524288 for i in range(8)])
log("no-line-end.adi", ["x" * 20000000])

def inserted(before, n, text):
    at = -1
    for _ in range(n):
        at = demo.index(before, at + 1)
    return demo[:at] + text + demo[at:]
log("damaged-one-line.adi", [demo.replace("\r", "").replace("\n", "")])
log("damaged-too-large.adi", [inserted("<CALL:", 20, "<CALL:6>Q9XZ/4 <NOTES:1048577>x <EOR>\r\n")])
log("damaged-junk-line.adi", [inserted("<BAND:", 30, "\r\n" + "junk <not a tag; " * 125000 + "\r\n")])
log("damaged-ctrl-z.adi", [inserted("<BAND:", 40, "<COMMENT:3>a\x1ab ")])
log("damaged-repeats.adi", [inserted("<BAND:", 50, "<APP_X:1>x" * 3000000)])
PY
"$build/q9xz-convert" "$root/samples/demo.adi" "$work/demo.csv" >/dev/null 2>&1

failed=0
for log in "$work"/*.adi; do
    for choice in "" -l; do
        # Exit 0 or 1 are both answers here; only the memory is judged.
        /usr/bin/time -f %M -o "$work/peak" "$build/q9xz-convert" $choice "$log" "$work/out.csv" \
            >/dev/null 2>&1 || true
        peak=$(tail -n 1 "$work/peak")
        printf '%-24s %-3s %6d KiB\n' "$(basename "$log")" "${choice:--}" "$peak"
        if ((peak >= limit_kib)); then
            echo "FAILED: $(basename "$log") took $peak KiB, the limit is $limit_kib KiB" >&2
            failed=1
        fi
        if [[ $(basename "$log") == damaged-* && -z $choice ]] && ! cmp -s "$work/out.csv" "$work/demo.csv"; then
            echo "FAILED: $(basename "$log") does not give the demo's spreadsheet" >&2
            failed=1
        fi
    done
done
exit $failed
