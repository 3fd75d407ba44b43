#!/usr/bin/env bash
# The manual pages and the bash completion the build writes: both pages
# render without a warning, every command and option that `tarn --help`
# shows is in tarn(1), and the completion offers commands, options and the
# values an option names.
# Usage: ManualPagesTest.sh TARN_BINARY MANUAL_DIR
set -euo pipefail
tarn=$1
manual=$2
failed=0
fail() {
    echo "$*"
    failed=1
}

rendered=$(mktemp)
trap 'rm -f "$rendered"' EXIT
for page in tarn.1 tarn-studio.1; do
    warnings=$(groff -man -Tutf8 -ww -z "$manual/$page" 2>&1)
    [ -z "$warnings" ] || fail "$page: $warnings"
    MANWIDTH=200 man -l "$manual/$page" >"$rendered" 2>&1 || fail "man -l $page failed"
    grep -q "^NAME" "$rendered" || fail "$page renders no NAME"
done
MANWIDTH=200 man -l "$manual/tarn.1" >"$rendered"

# The long options of a help text, one a line.
long_options() {
    grep -oE '^ +(-[a-zA-Z], ?)?--[a-z][a-z-]*' | grep -oE -- '--[a-z][a-z-]*'
}
# The commands of a help text's "Subcommands:" part.
commands_of() {
    sed -n '/^Subcommands:/,/^$/p' | grep -oE '^  [a-z]+' | tr -d ' '
}
# What tarn(1) says under "tarn COMMAND", up to the next command.
section() {
    awk -v heading="   tarn $1" '
        $0 == heading { inside = 1; next }
        inside && (/^   tarn / || /^[A-Z]/) { exit }
        inside { print }'
}
# path names the command as tarn(1) heads it ("wave add"), words as it is
# typed, with a stand-in for each argument that comes before its commands
# ("wave P add").
check_command() {
    local path=$1 words=$2 help text
    # shellcheck disable=SC2086
    help=$("$tarn" $words --help)
    text=$(section "$path" <"$rendered")
    [ -n "$text" ] || fail "tarn(1) has no part for 'tarn $path'"
    for option in $(long_options <<<"$help"); do
        grep -qe "$option" <<<"$text" || fail "tarn(1) lacks $option of 'tarn $path'"
    done
    if grep -q "^Positionals:" <<<"$help"; then
        words="$words P"
    fi
    for command in $(commands_of <<<"$help"); do
        check_command "$path $command" "$words $command"
    done
}
top=$("$tarn" --help)
count=0
for command in $(commands_of <<<"$top"); do
    check_command "$command" "$command"
    count=$((count + 1))
done
[ "$count" -ge 10 ] || fail "only $count commands in 'tarn --help'"

# The completion, as bash asks it.
# shellcheck source=/dev/null
source "$manual/tarn.bash"
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _tarn
    echo "${COMPREPLY[*]}"
}
cd "$(mktemp -d)"
expect_completion() {
    local wanted=$1
    shift
    local got
    got=$(complete_words "$@")
    [ "$got" = "$wanted" ] || fail "completing '$*': '$got', expected '$wanted'"
}
expect_completion "play plugins" tarn pl
expect_completion "--live --latency" tarn play song.tarn --l
expect_completion "safe low" tarn play song.tarn --latency ""
expect_completion "list" tarn plugins l
expect_completion "32 64" tarn render song.tarn --bits ""

[ "$failed" -eq 0 ] && echo "manual pages and completion agree with --help"
exit "$failed"
