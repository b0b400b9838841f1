#!/bin/sh
# Checks that two vestrel binaries write the same bytes: standard output, standard error (the
# seconds masked), the exit status, Vestrel.log and, for /u+, the database and its backup, on
# the first 200,000 lines of each of make bench's inputs, in a dozen option sets.
#
#     sh bench/same_output.sh <reference vestrel> <vestrel>
#
# The inputs are those bench/run.sh generates into ${TMPDIR:-/tmp}/vestrel-bench; run it first.
set -eu

absolute() { case $1 in /*) echo "$1" ;; *) echo "$(pwd)/$1" ;; esac; }
ref=$(absolute "$1")
new=$(absolute "$2")
cache=${TMPDIR:-/tmp}/vestrel-bench
work=$cache/same
mkdir -p "$work/in"
cut_input() { # name source lines
    [ -s "$work/in/$1" ] || head -n "$3" "$cache/$2" >"$work/in/$1"
}
cut_input distinct.epd collection-1000000.epd 200000
cut_input duplicate.epd suite-6556-x150.epd 200000
cut_input database.epd database-1000000.epd 200000
cut_input comments.fen fen-1000000.fen 200000
cut_input games.pgn collection-200000.pgn 300000

run_one() { # side binary input options
    rm -rf "${work:?}/$1"
    mkdir -p "$work/$1"
    cd "$work/$1"
    [ "$4" = "/u+" ] && cp ../in/database.epd Vandrelo.epd
    # shellcheck disable=SC2086 # the options are split on purpose
    status=0
    "$2" "../in/$3" $4 >out 2>err || status=$?
    echo "$status" >status
    sed 's/([0-9.]* sec)/(T sec)/' err >err.masked
}

differ=0
files=0
for input in distinct.epd duplicate.epd database.epd comments.fen games.pgn; do
    for opts in "" "/xy /p" "/c" "/#" "/m2" "/t" "/@" "--legal" "--canonical" "--words" "/0" "/u+"; do
        run_one ref "$ref" "$input" "$opts"
        run_one new "$new" "$input" "$opts"
        for f in out err.masked status Vestrel.log Vandrelo.epd Vandrelo.bak; do
            [ -e "$work/ref/$f" ] || [ -e "$work/new/$f" ] || continue
            files=$((files + 1))
            if ! cmp -s "$work/ref/$f" "$work/new/$f"; then
                echo "differs: $input [$opts] $f"
                differ=1
            fi
        done
    done
done
echo "compared $files files: $([ $differ = 0 ] && echo "all the same" || echo "SOME DIFFER")"
exit $differ
