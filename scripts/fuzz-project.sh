#!/usr/bin/env bash
# Fuzzes the project file reader and loader: scripts/fuzz-project.sh [seconds]
# (see scripts/fuzz.sh).
exec "$(dirname "$0")/fuzz.sh" project "$@"
