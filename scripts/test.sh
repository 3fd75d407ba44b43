#!/usr/bin/env bash
# Checks the formatting, then builds the studio and runs the whole test
# suite three times: optimised, under AddressSanitizer and
# UndefinedBehaviorSanitizer, and under ThreadSanitizer; then runs each
# fuzz target for a minute on its corpus, so that the fuzz build cannot
# break unnoticed and a fault close to the corpus fails the run. The
# longest test takes about 12 s under ThreadSanitizer; one still running
# after five minutes has hung. It is stopped and run once more, and fails if it hangs
# again, so that one hang cannot use up the whole run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
echo "== formatting"
scripts/format.sh --check
# Compiled objects are kept by ccache outside the clone, so a later run on
# the same machine (from any folder) compiles only what changed.
export CCACHE_DIR=${CCACHE_DIR:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/tarn-studio/ccache}
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-20G}
jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan-suppressions.txt"
export UBSAN_OPTIONS=print_stacktrace=1
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan-suppressions.txt"
for flavour in release sanitize tsan; do
    echo "== $flavour build"
    scripts/build.sh "$flavour"
    echo "== $flavour tests"
    ctest --test-dir "build/$flavour" --output-on-failure --timeout 300 --repeat after-timeout:2 -j "$jobs"
done
echo "== fuzzing"
for target in project xml wav sound json; do
    log="build/fuzz-$target.log"
    echo "-- $target (log: $log)"
    if ! scripts/fuzz.sh "$target" 60 >"$log" 2>&1; then
        tail -n 60 "$log"
        exit 1
    fi
done
