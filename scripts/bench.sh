#!/usr/bin/env bash
# Builds the optimised flavour and runs the benchmarks. Arguments go to the
# benchmark binary (for example --benchmark_filter=Oscillator).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
exec build/release/bench/tarn_bench "$@"
