#!/usr/bin/env bash
# Fuzzes one reader with libFuzzer:
#   scripts/fuzz.sh project [seconds]   project file reader and loader
#   scripts/fuzz.sh xml [seconds]       XML reader, presets, clipboard events
#   scripts/fuzz.sh wav [seconds]       sound loader with the built-in WAV reader
#   scripts/fuzz.sh sound [seconds]     sound loader with the libsndfile plug-in
#   scripts/fuzz.sh json [seconds]      the JSON song import of tarn import
# (default 600 seconds). Builds the libraries with clang and the fuzzer
# instrumentation in $FUZZ_BUILD_DIR (default build/fuzz), writes the seed
# documents into $build/seeds/<target>/, then mutates them and the
# committed corpus for the given time on one core. The source tree is only
# read: new inputs go to $build/corpus/<target>/, and an input that breaks
# the reader is kept in $build/artifacts/<target>/ (crash-<hash>, or
# timeout-<hash> for one that takes too long); after the fix, move it to the
# target's corpus folder and commit it, so that the regression test reads
# it on every build.
set -euo pipefail
cd "$(dirname "$0")/.."

fuzzer=${1:-}
build=${FUZZ_BUILD_DIR:-build/fuzz}
targets=(tarn_document tarn_engine tarn_machines_builtin tarn_machines_framework tarn_sequencing tarn_dsp tarn_formats tarn_base)
extra=()
limits=()
case "$fuzzer" in
project)
    corpus=tests/fuzz/corpus
    sources=(tests/fuzz/target/ProjectDocumentFuzzer.cpp tests/fuzz/ProjectFuzzCheck.cpp)
    ;;
xml)
    corpus=tests/fuzz/xml-corpus
    sources=(tests/fuzz/target/XmlDocumentFuzzer.cpp tests/fuzz/XmlFuzzCheck.cpp)
    ;;
json)
    corpus=tests/fuzz/json-corpus
    # The import's own files, without the rest of the command line.
    sources=(tests/fuzz/target/JsonImportFuzzer.cpp tests/fuzz/JsonFuzzCheck.cpp
        src/cli/ProjectJson.cpp src/cli/FloatWaveFile.cpp)
    ;;
wav | sound)
    [ "$fuzzer" = wav ] && kind=wav target=WavFuzzer || kind=plugin target=SndfileFuzzer
    corpus=tests/wavetable/corpus/$kind
    sources=("tests/wavetable/target/$target.cpp" tests/wavetable/SoundFuzzCheck.cpp)
    targets=(tarn_wavetable "${targets[@]}")
    extra=("-DTARN_SNDFILE_PLUGIN=\"$(pwd)/$build/Plugin/Sound/Sndfile.so\"")
    # One allocation of the built-in reader is bounded by its input; the
    # check bounds the decoded total.
    limits=(-malloc_limit_mb=64)
    # Leaks inside the libraries libsndfile decodes with are theirs.
    export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan-suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
    ;;
*)
    echo "usage: scripts/fuzz.sh project|xml|wav|sound|json [seconds]" >&2
    exit 2
    ;;
esac
seconds=${2:-600}

missing=()
command -v clang++ >/dev/null || missing+=(clang)
dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "install ok installed" ||
    missing+=(libclang-rt-14-dev)
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

sanitizers=address,undefined
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DTARN_WERROR=OFF -DTARN_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,$sanitizers -fno-sanitize-recover=all" \
    >/dev/null
builds=("${targets[@]}")
[ "$fuzzer" = sound ] && builds+=(tarn_sound_sndfile)
cmake --build "$build" --target "${builds[@]}" -j2

# Searched as one group, so the list need not follow the link order.
libraries=(-Wl,--start-group)
for target in "${targets[@]}"; do
    libraries+=("$build/lib$target.a")
done
libraries+=(-Wl,--end-group -ldl -pthread)
compile=(clang++ -std=c++20 -g -O1 -Isrc -Iinclude -Itests "${extra[@]}")
"${compile[@]}" -fsanitize=fuzzer,$sanitizers -fno-sanitize-recover=all "${sources[@]}" \
    "${libraries[@]}" -o "$build/${fuzzer}_fuzzer"
# The seed writers write into the build folder: written afresh on every run
# (an encoder's output may differ between library versions), they would
# otherwise keep changing the committed seeds.
seeds=()
if [ "$fuzzer" = project ]; then
    "${compile[@]}" -fsanitize=$sanitizers tests/fuzz/target/ProjectSeedWriter.cpp \
        "${libraries[@]}" -o "$build/project_seed_writer"
    mkdir -p "$build/seeds/project"
    "$build/project_seed_writer" "$build/seeds/project"
    seeds=("$build/seeds/project")
elif [ -n "${kind:-}" ]; then
    "${compile[@]}" tests/wavetable/target/SoundSeedWriter.cpp -lsndfile -o "$build/sound_seed_writer"
    "$build/sound_seed_writer" "$build/seeds"
    seeds=("$build/seeds/$kind")
fi
mkdir -p "$build/corpus/$fuzzer" "$build/artifacts/$fuzzer"
# New inputs go to the build's own corpus (the first folder); the committed
# corpus and the fresh seeds are only read. One worker process, restarted
# after a slow input (logged as a timeout and kept as an artifact) so that
# a run goes on for its whole time; a crash still ends it.
"$build/${fuzzer}_fuzzer" -fork=1 -ignore_timeouts=1 -max_total_time="$seconds" -timeout=20 \
    -rss_limit_mb=2048 "${limits[@]}" -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$fuzzer/" "$build/corpus/$fuzzer" "$corpus" "${seeds[@]}"
