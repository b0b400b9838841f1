#!/bin/sh
# Counts the instructions of vestrel runs under valgrind's callgrind: a measure of the work done
# that a busy, shared machine does not blur. Two binaries give a before/after table.
#     sh bench/instructions.sh <gen_collection> <vestrel> [<other vestrel>]
# The collections (200,000 EPD lines, 30,000 PGN games) are generated once into
# ${TMPDIR:-/tmp}/vestrel-instructions and reused. The comments in src/ that justify a speed
# trick name the run below they were measured on, such as "bench.epd /xy".
set -eu

if [ $# -lt 2 ]; then
    echo "usage: sh bench/instructions.sh <gen_collection> <vestrel> [<other vestrel>]" >&2
    exit 1
fi
command -v valgrind >/dev/null || { echo "instructions.sh: valgrind is missing" >&2; exit 1; }
absolute() { case $1 in /*) echo "$1" ;; *) echo "$(pwd)/$1" ;; esac; }
gen=$(absolute "$1")
first=$(absolute "$2")
second=""
[ $# -ge 3 ] && second=$(absolute "$3")

cache=${TMPDIR:-/tmp}/vestrel-instructions
mkdir -p "$cache/work"
cd "$cache/work"  # vestrel writes Vestrel.log here and is given relative file names
[ -s ../bench.epd ] || "$gen" epd 200000 ../bench.epd
[ -s ../bench.pgn ] || "$gen" pgn 30000 ../bench.pgn
ln -sf ../bench.epd bench.epd
ln -sf ../bench.pgn bench.pgn

count() { # binary arguments...
    bin=$1
    shift
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$bin" "$@" >/dev/null 2>callgrind.err
    sed -n 's/.*Collected : //p' callgrind.err
}

printf '%-42s %14s' "run" "instructions"
[ -n "$second" ] && printf ' %14s %8s' "other" "change"
echo
for set in "bench.epd" "bench.epd /xy /p" "bench.epd /fbm /rab=ba /# /t /@c2/r1-" \
    "bench.epd /xy" "bench.epd /0" "bench.epd /#" "bench.epd /@C1/" "bench.epd /r;=:" \
    "bench.epd /r;=" "bench.epd --legal" "bench.epd --canonical" \
    "bench.pgn" "bench.pgn /h" "bench.pgn /h-Event /xy"; do
    # shellcheck disable=SC2086
    a=$(count "$first" $set)
    printf '%-42s %14s' "$set" "$a"
    if [ -n "$second" ]; then
        # shellcheck disable=SC2086
        b=$(count "$second" $set)
        printf ' %14s %8s' "$b" "$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%+.1f%%", (b - a) * 100 / a }')"
    fi
    echo
done
