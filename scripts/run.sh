#!/usr/bin/env bash
# Builds the studio and runs it inside a ready application directory
# (build/app, laid out from dist/). Arguments are passed on to tarn; without
# any, it opens the studio's window on the demo song where there is a
# display, and elsewhere makes, renders and plays the demo song.
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
if [ $# -eq 0 ]; then
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        [ -f Out/Demo.tarn ] || ../release/tarn demo --no-play --quiet
        set -- studio Out/Demo.tarn
    else
        set -- demo --force
    fi
fi
exec ../release/tarn "$@"
