#!/usr/bin/env bash
# Formats every C++ source of the repository with its .clang-format:
#   scripts/format.sh           rewrites the files in place
#   scripts/format.sh --check   changes nothing; fails, naming each file
#                               and line, when one is not formatted
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files -co --exclude-standard -- \
    'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' \
    'include/*.h' 'plugins/*.cpp' 'plugins/*.h')
if [ "${1:-}" = "--check" ]; then
    clang-format --dry-run --Werror "${files[@]}"
else
    clang-format -i "${files[@]}"
fi
