#!/usr/bin/env bash
# Builds the optimised flavour and runs the benchmarks: the engine's and the
# machines', then the studio window's start-up. Arguments go to both
# benchmark binaries (for example --benchmark_filter=Oscillator).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
build/release/bench/tarn_bench "$@"
build/release/bench/tarn_studio_bench "$@"
