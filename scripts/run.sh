#!/usr/bin/env bash
# Builds the studio and runs it inside a ready application directory
# (build/app, laid out from dist/). Arguments are passed on to tarn; without
# any, it makes, renders and plays the demo song.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh release tarn tarn_sound_sndfile
mkdir -p build/app
# Refresh the shipped files without touching what the user has changed; the
# sound-handler plug-ins are build products and always replaced.
cp -r -n dist/. build/app/
cp build/release/Plugin/Sound/*.so build/app/Plugin/Sound/
cd build/app
[ $# -eq 0 ] && set -- demo --force
exec ../release/tarn "$@"
