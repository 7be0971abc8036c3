#!/usr/bin/env bash
# The window's commands are shared with the Windows program: they must compile, warning-free,
# with the 32-bit Windows cross compiler too.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# The version the build defines, from its one place.
version=$(sed -n 's/^set(Q9XZ_VERSION_TEXT "\(.*\)")$/\1/p' "$root/cmake/Version.cmake")
compiler=i686-w64-mingw32-g++-posix
if ! command -v "$compiler" >/dev/null; then
    echo "skipped: $compiler is not installed"
    exit 0
fi
for source in "$root"/src/app/*.cpp; do
    nice "$compiler" -std=c++20 -Wall -Wextra -Werror -fsyntax-only -I"$root/src" -I"$root/resources" \
        -DQ9XZ_VERSION_TEXT="\"$version\"" "$source"
done
echo "ok: src/app compiles for i686 Windows"
