#!/usr/bin/env bash
# The package lists that scripts/setup installs: every name is a package apt knows, and what
# `make run` asks for (with everything it pulls in) holds no Wine and no X server, so a first
# conversion on a fresh machine stays small.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
failures=0
fail() {
    echo "05-package-lists: $*" >&2
    failures=$((failures + 1))
}
names() { grep -hv '^[[:space:]]*\(#\|$\)' "$@" | awk '{print $1}'; }

for list in scripts/packages-*.txt; do
    for pkg in $(names "$list"); do
        apt-cache show "$pkg" >/dev/null 2>&1 || fail "$list: apt knows no package $pkg"
    done
done

# The lists `make run` hands to scripts/setup, read from what make would do.
read -ra run_lists < <(make -n run BUILD=build-dry | sed -n 's|^scripts/setup *||p' | head -1)
((${#run_lists[@]})) || fail "make run does not call scripts/setup with its lists"
files=()
for name in "${run_lists[@]}"; do
    files+=("scripts/packages-$name.txt")
done
mapfile -t asked < <(names "${files[@]}")
pulled=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances "${asked[@]}" | grep -v '^ ' | sort -u)
heavy=$(grep -E '^(wine|fonts-wine|xvfb|xserver-|xorg$|x11-apps|xdotool|g\+\+-mingw|binutils-mingw)' <<<"$pulled" || true)
[[ -z "$heavy" ]] || fail "make run (lists: ${run_lists[*]}) pulls in: $(tr '\n' ' ' <<<"$heavy")"

# `make install` builds the programs alone: it asks for the converter's and the window's lists.
install_lists=$(make -n install BUILD=build-dry | sed -n 's|^scripts/setup *||p' | head -1)
[[ "$install_lists" == "build gui" ]] || fail "make install asks for the lists: $install_lists"
[[ $(make -n install GUI=OFF | sed -n 's|^scripts/setup *||p' | head -1) == build ]] ||
    fail "make install GUI=OFF asks for more than the converter's list"

if ((failures)); then
    exit 1
fi
echo "05-package-lists: every listed package is known; make run asks for ${#asked[@]} (${run_lists[*]}), $(wc -l <<<"$pulled") with their dependencies, none of them Wine or an X server"
