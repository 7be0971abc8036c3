#!/usr/bin/env bash
# The converter examples of the README and docs/ run as written, from the top of a clone after
# `make run`: each ends with status 0 and leaves the spreadsheet and map it names, and
# `man -l build/man/q9xz-convert.1` shows the manual page without a warning. An example is an
# indented line or a "$ " line that starts with `build/q9xz-convert` or `man -l`; the logs it names
# that the clone does not hold (mylog.adi, home.adi ...) are copies of the demo log.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=$(cd "${BUILD:-build}" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
    echo "07-doc-examples: $*" >&2
    failures=$((failures + 1))
}

mapfile -t examples < <(sed -n -E 's/^(    |\$ )((build\/q9xz-convert|man -l) .*)$/\2/p' \
    README.md docs/*.md | sed -E 's/[[:space:]]+#.*$//' | sort -u)
# After `make run` nothing is installed: an example must name the built program and page.
while read -r line; do
    fail "written for an installed program, not the build: $line"
done < <(grep -HnE '^(    |\$ )(q9xz-convert|man q9xz)' README.md docs/*.md || true)
grep -qx 'man -l build/man/q9xz-convert.1' < <(printf '%s\n' "${examples[@]}") ||
    fail "the README shows no 'man -l build/man/q9xz-convert.1'"

count=0
for example in "${examples[@]}"; do
    count=$((count + 1))
    run=$tmp/$count
    mkdir "$run"
    ln -s "$build" "$run/build"
    ln -s "$root/samples" "$run/samples"
    read -ra words <<<"$example"
    promised=()
    logs=0
    output_named=0
    for word in "${words[@]}"; do
        case ${word,,} in
        *.adi | *.adif)
            logs=$((logs + 1))
            [[ -e "$run/$word" ]] || cp samples/demo.adi "$run/$word"
            ;;
        *.csv | *.svg)
            promised+=("$word")
            [[ ${word,,} == *.csv ]] && output_named=1
            ;;
        esac
    done
    # One log and no spreadsheet named: it goes beside the log, as LOG.CSV.
    if [[ ${words[0]} == build/q9xz-convert && $logs -eq 1 && $output_named -eq 0 ]]; then
        for word in "${words[@]}"; do
            [[ ${word,,} == *.adi ]] && promised+=("${word%.*}.CSV")
        done
    fi
    status=0
    (cd "$run" && MANWIDTH=80 bash -c "$example" >stdout 2>stderr) || status=$?
    [[ $status == 0 ]] || fail "'$example' ended with $status: $(head -3 "$run/stderr")"
    for file in "${promised[@]}"; do
        [[ -s "$run/$file" ]] || fail "'$example' left no $file"
    done
    if [[ ${words[0]} == man ]]; then
        [[ ! -s "$run/stderr" ]] || fail "'$example' warns: $(head -3 "$run/stderr")"
        grep -q '^SYNOPSIS' "$run/stdout" || fail "'$example' shows no manual page"
    fi
done

((count >= 5)) || fail "only $count examples found in README.md and docs/"
if ((failures)); then
    exit 1
fi
echo "07-doc-examples: $count examples of README.md and docs/ ran as written"
