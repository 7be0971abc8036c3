#!/usr/bin/env bash
# Peak memory of the command-line converter on logs made to fill it: every problem line kept,
# a record that never ends, one line of a million bytes of fields, a value of a megabyte. Each
# conversion must stay under 16 MiB, whatever the size of the log.
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

python3 - "$work" <<'PY'
import itertools, os, string, sys
d = sys.argv[1]
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
log("megabyte-values.adi", ["<V%d:1048576>" % i + "x\n" * 524288 for i in range(8)])
log("no-line-end.adi", ["x" * 20000000])
PY

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
    done
done
exit $failed
