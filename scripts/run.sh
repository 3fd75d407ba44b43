#!/usr/bin/env bash
# Builds the studio and runs it inside a ready application directory
# (build/app, laid out from dist/). Arguments are passed on to tarn.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh release
mkdir -p build/app
# Refresh the shipped files without touching what the user has changed.
cp -r -n dist/. build/app/
cd build/app
exec ../release/tarn "$@"
