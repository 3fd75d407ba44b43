#!/usr/bin/env bash
# Times the studio's reverbs and sox's reverb on the same 60 s stereo
# recording, in one run. sox makes the recording (pink noise with a slow
# tremolo, so that the tails are heard between the swells), then reverbs it
# (least CPU time of three runs, with and without writing the result); the
# benchmark binary runs the studio's reverbs over a 64-bit float copy of
# the same samples (compare its CPU column).
# Arguments go to the benchmark binary.
set -euo pipefail
cd "$(dirname "$0")/.."
bench=build/release/bench/tarn_bench
[ -x "$bench" ] || scripts/build.sh release tarn_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -q -n -r 44100 -c 2 -b 32 -e float "$work/in.wav" synth 60 pinknoise tremolo 0.5 90 gain -6
sox -q "$work/in.wav" -t raw -e float -b 64 -L "$work/in.raw"

best() { # the least CPU time (user + system) of three runs of the command, in seconds
    local fastest=""
    for _ in 1 2 3; do
        local took
        took=$({ TIMEFORMAT='%U %S'; time "$@" 2>/dev/null; } 2>&1 | awk '{ print $1 + $2 }')
        fastest=$(awk -v t="$took" -v f="${fastest:-$took}" 'BEGIN { print (t < f ? t : f) }')
    done
    printf '%.3f' "$fastest"
}

echo "60 s stereo at 44100 Hz; CPU seconds for the whole file"
# With no effect at all sox skips the reading; unity volume reads every sample.
printf '%-34s %s\n' "sox (read, unity volume)" "$(best sox -q "$work/in.wav" -n vol 1)"
printf '%-34s %s\n' "sox reverb (read, no output file)" "$(best sox -q "$work/in.wav" -n reverb)"
printf '%-34s %s\n' "sox reverb (read and write)" "$(best sox -q "$work/in.wav" "$work/out.wav" reverb)"
TARN_BENCH_STEREO_RAW="$work/in.raw" "$bench" --benchmark_filter=BM_EffectOverFile "$@"
