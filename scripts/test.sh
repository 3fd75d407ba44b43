#!/usr/bin/env bash
# Builds the studio and runs the whole test suite twice: once optimised and
# once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
jobs=$(nproc)
for flavour in release sanitize; do
    echo "== $flavour build"
    scripts/build.sh "$flavour"
    echo "== $flavour tests"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir "build/$flavour" --output-on-failure -j "$jobs"
done
