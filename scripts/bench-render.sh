#!/usr/bin/env bash
# The whole studio at work next to the engine's own figures: times the
# process that renders the demo song (start-up, loading and writing
# included) and reports its real-time factor, then runs the engine and
# start-up benchmarks. Arguments go to the benchmark binary (for example
# --benchmark_repetitions=5). Run on a quiet machine: every figure is the
# best of several runs, yet a loaded machine still slows them all.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release tarn tarn_bench >/dev/null
root=$PWD
runs=${TARN_BENCH_RUNS:-5}

app=$(mktemp -d)
trap 'rm -rf "$app"' EXIT
cp -r dist/. "$app/"
cd "$app"
"$root/build/release/tarn" demo --no-play --quiet --force -o Out/Demo.wav >/dev/null

# Seconds of audio: the WAVE data of 2 channels of 32-bit floats at 44.1 kHz.
bytes=$(stat -c %s Out/Demo.wav)
audio=$(awk -v b="$bytes" 'BEGIN { printf "%.3f", (b - 46) / 8 / 44100 }')

best_wall=""
best_cpu=""
for _ in $(seq "$runs"); do
    times=$( { /usr/bin/time -f "%e %U %S" "$root/build/release/tarn" render Out/Demo.tarn \
        -o Out/Again.wav --force -q >/dev/null; } 2>&1 | tail -1)
    read -r wall user system <<<"$times"
    cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')
    best_wall=$(awk -v a="$wall" -v b="${best_wall:-$wall}" 'BEGIN { print (a < b ? a : b) }')
    best_cpu=$(awk -v a="$cpu" -v b="${best_cpu:-$cpu}" 'BEGIN { print (a < b ? a : b) }')
done
cd "$root"

echo "demo song: $audio s of audio, whole process, best of $runs runs"
awk -v a="$audio" -v w="$best_wall" -v c="$best_cpu" 'BEGIN {
    printf "  wall %.3f s  real-time factor %.0fx\n", w, (w > 0 ? a / w : 0)
    printf "  cpu  %.3f s  real-time factor %.0fx\n", c, (c > 0 ? a / c : 0)
}'
echo
exec build/release/bench/tarn_bench \
    --benchmark_filter='WorkCycle|PlainBufferLoop|OutputStage|InputMix|PlainMixLoop|DspLibraryInit' \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
