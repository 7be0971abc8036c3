#!/usr/bin/env bash
# The whole test suite again, built with AddressSanitizer, UndefinedBehaviorSanitizer and leak
# checking, so that an overflow, a use after free, a leak or signed overflow fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-asan
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
    -DQ9XZ_SANITIZE=ON -DQ9XZ_BUILD_GUI=OFF -DQ9XZ_BUILD_BENCH=OFF >/dev/null
nice cmake --build "$build" -j 2 >/dev/null
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir "$build" --output-on-failure -j 2
