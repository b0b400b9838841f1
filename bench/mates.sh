#!/bin/sh
# The mate benchmark: vestrel --verify against Stockfish on short mates from generated games.
#
#     sh bench/mates.sh [build dir]           (make bench-mates)
#
# The build dir (default build-bench) must hold vestrel, bench/gen_games and bench/uci_mate
# (configure with -DVESTREL_BENCH=ON). Stockfish is the Debian package "stockfish", installed
# when missing and this runs as root with apt-get.
#
# The set: gen_games plays games of a careless player from a fixed seed; Stockfish searches
# each of their positions to depth 5, and those it scores as a mate in 2 or in 3 become
# "bm #2" and "bm #3" records, the first MATE2 (default 5000) and MATE3 (default 1000) distinct
# positions. With MATE4=n (default 0) a third set holds n mates in 4, from searches to depth 7
# in rounds of their own (slow: minutes a round). The sets are built once into
# ${TMPDIR:-/tmp}/vestrel-bench/mates and kept.
#
# The race, one thread each: Stockfish gets "go mate n" for every record, timed from "go" to
# "bestmove" (its start-up and the UCI exchange before "go" are not counted); vestrel verifies
# each set in one run, timed as a whole with its input, and the time of a run on an empty file
# (its start-up) taken off. ROUNDS (default 3) rounds run both on every set in turn; the medians
# count. The table gives the time per position, the ratio, and the verdicts vestrel gave the
# positions Stockfish proved to be mates in n (none of which may be unsound).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-bench}
case $build in /*) ;; *) build=$(pwd)/$build ;; esac
mate2=${MATE2:-5000}
mate3=${MATE3:-1000}
mate4=${MATE4:-0}
rounds=${ROUNDS:-3}
vestrel=$build/vestrel
gen=$build/bench/gen_games
uci=$build/bench/uci_mate
for tool in "$vestrel" "$gen" "$uci"; do
    if [ ! -x "$tool" ]; then
        echo "mates.sh: $tool is missing; build with -DVESTREL_BENCH=ON first" >&2
        exit 1
    fi
done
engine=$(command -v stockfish || true)
[ -n "$engine" ] || [ ! -x /usr/games/stockfish ] || engine=/usr/games/stockfish
if [ -z "$engine" ]; then
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
        echo "installing the Debian package stockfish ..."
        { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq stockfish; } \
            >/dev/null 2>&1 || true
    fi
    engine=$(command -v stockfish || echo /usr/games/stockfish)
    [ -x "$engine" ] || { echo "mates.sh: Stockfish is not installed" >&2; exit 1; }
fi

cache=${TMPDIR:-/tmp}/vestrel-bench/mates
mkdir -p "$cache"
cd "$cache"

# Candidates in rounds of games, each round from its own seed, until both sets are full.
if [ ! -s "mate2.epd" ] || [ ! -s "mate3.epd" ]; then
    : >found.epd
    seed=1
    while :; do
        n2=$(grep -c 'bm #2;' found.epd || true)
        n3=$(grep -c 'bm #3;' found.epd || true)
        echo "set: $n2 mates in 2 and $n3 mates in 3 found so far"
        [ "$n2" -ge "$mate2" ] && [ "$n3" -ge "$mate3" ] && break
        "$gen" 1000 "$seed" | "$uci" "$engine" filter 5 >>found.epd
        seed=$((seed + 1))
    done
    # The first record of each position, in the order found.
    awk '!seen[$1" "$2" "$3" "$4]++' found.epd >distinct.epd
    grep 'bm #2;' distinct.epd | head -n "$mate2" >mate2.epd
    grep 'bm #3;' distinct.epd | head -n "$mate3" >mate3.epd
fi

# The mates in 4, when asked for.
sets="2 3"
if [ "$mate4" -gt 0 ]; then
    sets="2 3 4"
    if [ "$(grep -c 'bm #4;' mate4.epd 2>/dev/null || true)" != "$mate4" ]; then
        : >found4.epd
        seed=1
        while :; do
            n4=$(awk '!seen[$1" "$2" "$3" "$4]++' found4.epd | grep -c 'bm #4;' || true)
            echo "set: $n4 mates in 4 found so far"
            [ "$n4" -ge "$mate4" ] && break
            "$gen" 200 "$seed" | "$uci" "$engine" filter 7 4 >>found4.epd
            seed=$((seed + 1))
        done
        awk '!seen[$1" "$2" "$3" "$4]++' found4.epd | grep 'bm #4;' | head -n "$mate4" >mate4.epd
    fi
fi

now() { date +%s.%N; }
# The median of the numbers on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# One timed vestrel run in folder $1 on file $2 with option $3; prints the seconds it took.
timed_run() {
    start=$(now)
    (cd "$1" && "$vestrel" "$2" "$3" --threads=1 >out.epd 2>err.txt)
    end=$(now)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }'
}
rm -rf run0
mkdir run0
: >run0/empty.epd
: >startup.times
for n in $sets; do : >"vestrel$n.times"; : >"stockfish$n.means"; done
round=1
while [ "$round" -le "$rounds" ]; do
    for n in $sets; do
        limit=--verify
        [ "$n" -le 3 ] || limit=--verify=$n
        echo "round $round of $rounds: Stockfish and vestrel on $(wc -l <mate$n.epd) mates in $n ..."
        "$uci" "$engine" mate <mate$n.epd >stockfish$n.tsv
        awk -F'\t' '{ n++; t += $4 } END { printf "%.3f\n", t / n }' stockfish$n.tsv \
            >>"stockfish$n.means"
        rm -rf "run$n"
        mkdir "run$n"
        cp mate$n.epd "run$n/"
        timed_run "run$n" "mate$n.epd" "$limit" >>"vestrel$n.times"
    done
    timed_run run0 empty.epd --verify >>startup.times
    round=$((round + 1))
done
startup=$(median <startup.times)

# Per set: positions, Stockfish's mean time and vestrel's (medians of the rounds; vestrel's
# start-up taken off, as Stockfish's start-up and set-up are not timed either), the ratio, and
# the verdicts of the positions Stockfish proved.
printf '\nvestrel start-up (an empty file, median): %.1f ms, taken off each set below\n' \
    "$(awk -v s="$startup" 'BEGIN { print s * 1000 }')"
printf '\n%-6s %9s %14s %14s %8s   %s\n' set positions "stockfish/pos" "vestrel/pos" ratio \
    "vestrel's verdicts where Stockfish proved the mate"
bad=0
: >totals.txt
for n in $sets; do
    seconds=$(median <"vestrel$n.times")
    sfmean=$(median <"stockfish$n.means")
    awk -F'\t' -v seconds="$seconds" -v startup="$startup" -v sfmean="$sfmean" -v n="$n" \
        -v logfile="run$n/Vestrel.log" '
        BEGIN {
            while ((getline line < logfile) > 0) {
                fields = line; sub(/ id ".*/, "", fields)
                verdict = line; sub(/.* id "/, "", verdict); sub(/[:"].*/, "", verdict)
                v[fields] = verdict
            }
        }
        { count++; if ($3 > 0) { proved++; k = ($1 in v) ? v[$1] : "sound"; c[k]++ } }
        END {
            ours = (seconds - startup) * 1e6 / count
            printf "%d %.0f %.0f\n", count, sfmean * count, ours * count >> "totals.txt"
            printf "#%-5s %9d %11.0f us %11.0f us %7.1fx   ", n, count, sfmean, ours, sfmean / ours
            printf "%d proved: %d sound, %d cooked, %d short, %d unsound, %d unchecked\n", \
                proved, c["sound"], c["cooked"], c["short"], c["unsound"], c["unchecked"]
            if (c["unsound"] > 0) exit 3
        }' stockfish$n.tsv || bad=1
    tail -n 1 "run$n/err.txt" | tr -d '\r'
done
label=both
[ "$sets" = "2 3" ] || label=all
awk -v label="$label" '{ n += $1; sf += $2; ours += $3 }
    END { printf "%-6s %9d %11.0f us %11.0f us %7.1fx\n", label, n, sf / n, ours / n, sf / ours }' totals.txt
[ "$bad" -eq 0 ] || { echo "mates.sh: a position Stockfish proved was called unsound" >&2; exit 1; }
