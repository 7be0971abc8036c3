#!/usr/bin/env bash
# Every C++ file of the tree is as clang-format (Debian's 14, with the repository's .clang-format)
# leaves it, so a change shows only what it changes. `scripts/format` mends what this finds.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench fuzz resources -name '*.cpp' -o -name '*.h')
clang-format --version
clang-format --dry-run -Werror "${files[@]}"
echo "01-format: ${#files[@]} files formatted"
