#!/usr/bin/env bash
# A long low-latency playback under load, which no test run could afford:
# builds a project of 16 machines (scripts/soak-project.py) whose offline
# render costs about half of real time on this machine, measured first,
# then plays it with `tarn play --latency low` on a private JACK server
# (dummy backend, 44 100 Hz, 256-frame periods) and prints the load, the
# underruns the studio counted and the server's xruns.
#   scripts/soak.sh [SECONDS [HEAVY]]
# SECONDS defaults to 600 (ten minutes); HEAVY, the number of heavy
# generators (0 to 12), skips the search for the load aimed at.
# As root, or with real-time limits granted, the server and the studio's
# audio thread run at real-time priority as on a musician's desktop;
# otherwise the server runs without and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
chosen=${2:-}
target=0.5
bpm=120
scripts/build.sh release tarn >/dev/null
root=$PWD
tarn=$root/build/release/tarn

work=$(mktemp -d)
server_pid=""
cleanup() {
    if [[ -n $server_pid ]]; then
        kill -TERM "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
cp -r dist/. "$work/"
cd "$work"

# Quietly, but for errors: every command reports the plug-ins it refuses.
import_project() {
    "$tarn" import "$1" -o "$2" --force >/dev/null 2>Import.log || { cat Import.log >&2; exit 1; }
}

# CPU seconds (user and system) the render of 20 s of a project with the
# given number of heavy generators takes, per second of audio; the best of two.
measure_beats=40
load_of() {
    python3 "$root/scripts/soak-project.py" "$measure_beats" "$1" >Measure.json
    import_project Measure.json Measure.tarn
    local best=""
    for _ in 1 2; do
        local times
        times=$( { /usr/bin/time -f "%U %S" "$tarn" render Measure.tarn -o Measure.wav --force \
            -q >/dev/null; } 2>&1 | tail -1)
        best=$(awk -v t="$times" -v b="$best" -v a="$measure_beats" -v bpm="$bpm" 'BEGIN {
            split(t, f, " "); load = (f[1] + f[2]) / (a * 60 / bpm)
            print (b == "" || load < b ? load : b) }')
    done
    echo "$best"
}

echo "measuring the render's cost (20 s of audio per run)..."
if [[ -n $chosen ]]; then
    generators=$chosen
    load=$(load_of "$generators")
else
    light=$(load_of 0)
    heavy=$(load_of 12)
    generators=$(awk -v l="$light" -v h="$heavy" -v t="$target" 'BEGIN {
        n = (h > l ? 12 * (t - l) / (h - l) : 12); n = int(n + 0.5)
        print (n < 0 ? 0 : (n > 12 ? 12 : n)) }')
    load=$heavy
    if [[ $generators -lt 12 ]]; then
        load=$(load_of "$generators")
    fi
    awk -v l="$light" -v h="$heavy" 'BEGIN {
        printf "render load: %.0f %% with no heavy generator, %.0f %% with 12\n", 100 * l, 100 * h }'
fi
awk -v g="$generators" -v load="$load" 'BEGIN {
    printf "project: 16 machines and the Master, %d heavy generators, render load %.1f %% of real time\n", \
        g, 100 * load }'
if awk -v load="$load" -v t="$target" 'BEGIN { exit !(load < 0.8 * t) }'; then
    echo "note: this machine renders even the heaviest project below the 50 % aimed at"
fi

beats=$(( (seconds * bpm / 60 + 7) / 8 * 8 ))
python3 "$root/scripts/soak-project.py" "$beats" "$generators" >Soak.json
import_project Soak.json Soak.tarn

# The server: real-time scheduling where the system grants it.
export JACK_DEFAULT_SERVER="tarn-soak-$$"
realtime=(-R)
if ! chrt -f 10 true 2>/dev/null; then
    realtime=(-r)
    echo "note: real-time scheduling refused; the server runs without it"
fi
jackd -n "$JACK_DEFAULT_SERVER" "${realtime[@]}" -d dummy -r 44100 -p 256 >Server.log 2>&1 &
server_pid=$!
if ! jack_wait -s "$JACK_DEFAULT_SERVER" -w -t 10 >/dev/null 2>&1; then
    echo "error: the JACK server did not start:" >&2
    cat Server.log >&2
    exit 1
fi

echo "playing $beats beats ($seconds s) with --latency low on JACK (dummy, 44100 Hz, 256 frames)"
echo "machine load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
/usr/bin/time -o Play.time -f "%U %S %e" \
    "$tarn" play Soak.tarn --backend jack --latency low --quiet >Play.log 2>&1 || status=$?
echo "machine load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
echo "tarn play said (exit status $status):"
sed 's/^/  /' Play.log
read -r user system wall <Play.time
awk -v u="$user" -v s="$system" -v w="$wall" 'BEGIN {
    printf "played %.0f s; the studio used %.1f %% of one core meanwhile\n", w, 100 * (u + s) / w }'
# Cycles the server itself ran late (the machine's load, not the studio's
# doing unless the studio's client is named).
echo "server xruns: $(grep -ci xrun Server.log || true)"
grep -i xrun Server.log | sort | uniq -c | head -5 || true
underruns=$(sed -n 's/^\([0-9]*\) underruns$/\1/p' Play.log | tail -1)
echo "underruns: ${underruns:-unknown}"
[[ $status -eq 0 && ${underruns:-1} -eq 0 ]]
