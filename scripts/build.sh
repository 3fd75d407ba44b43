#!/usr/bin/env bash
# Configures and builds one flavour of the studio:
#   scripts/build.sh release    optimised build in build/release
#   scripts/build.sh sanitize   AddressSanitizer + UBSan build in build/sanitize
#   scripts/build.sh tsan       ThreadSanitizer build in build/tsan
# Further arguments name the targets to build (all of them by default).
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-release}
shift || true
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
# The sanitizer builds keep line tables only (-g1): enough for the file and
# line of every frame in a report, at a fraction of full debug information's
# cost in compile and link time.
case "$flavour" in
release) options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
sanitize) options=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DTARN_SANITIZE=ON) ;;
tsan) options=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DTARN_THREAD_SANITIZE=ON) ;;
*)
    echo "usage: scripts/build.sh [release|sanitize|tsan] [target...]" >&2
    exit 2
    ;;
esac

cmake -S . -B "build/$flavour" -G Ninja -DTARN_WERROR=ON "${options[@]}" >/dev/null
cmake --build "build/$flavour" "${targets[@]}"
