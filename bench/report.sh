#!/bin/sh
# Times --report against the same run without it, on a 1,000,000-line collection of which
# about 100,000 records are set aside: the bench collection's first 970,000 lines, then its
# first 30,000 lines again. Both runs take /xy /p. Interleaved runs, RUNS rounds (default 5);
# medians of wall and of CPU time (user plus system), peak memory, and the report's size.
# Goals: the report run at most 1.2 times the plain run, the report under 20 MB.
#
#   sh bench/report.sh [build dir] [collection]
#
# The build dir (default build-bench) must hold vestrel and bench/peak_rss; without a
# collection, the 1,000,000-line one of bench/run.sh is used (and generated if missing).
set -eu

build=${1:-build-bench}
collection=${2:-}
runs=${RUNS:-5}
case $build in /*) ;; *) build=$(pwd)/$build ;; esac
vestrel=$build/vestrel
peak=$build/bench/peak_rss
for tool in "$vestrel" "$peak"; do
    if [ ! -x "$tool" ]; then
        echo "report.sh: $tool is missing; build with -DVESTREL_BENCH=ON first (make bench)" >&2
        exit 1
    fi
done

cache=${TMPDIR:-/tmp}/vestrel-bench
mkdir -p "$cache"
if [ -z "$collection" ]; then
    collection=$cache/collection-1000000.epd
    if [ ! -s "$collection" ]; then
        echo "generating $collection ..."
        "$build/bench/gen_collection" epd 1000000 "$collection.part"
        mv "$collection.part" "$collection"
    fi
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-report.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
{ head -n 970000 "$collection"; head -n 30000 "$collection"; } >"$work/input.epd"
cd "$work"

median() { # name column (0: user plus system)
    awk -v c="$2" '{ print (c == 0 ? $2 + $3 : $c) }' "$1.runs" | sort -n |
        awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
ratio() { # a b
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "inf" }'
}
verdict() { # value limit
    awk -v v="$1" -v l="$2" 'BEGIN { printf "%s", v <= l ? "met" : "MISSED" }'
}

echo "measuring --report on $(wc -l <input.epd | tr -d ' ') lines, $runs rounds (medians) ..."
: >plain.runs
: >report.runs
i=0
while [ $i -lt "$runs" ]; do
    "$peak" plain.one "$vestrel" input.epd /xy /p >/dev/null 2>plain.err
    cat plain.one >>plain.runs
    "$peak" report.one "$vestrel" input.epd /xy /p --report=report.html >/dev/null 2>report.err
    cat report.one >>report.runs
    i=$((i + 1))
done
if ! [ -s report.html ]; then
    echo "report.sh: the run wrote no report:" >&2
    tail -n 3 report.err >&2
    exit 1
fi

set_aside=$(wc -l <Vestrel.log | tr -d ' ')
bytes=$(wc -c <report.html | tr -d ' ')
mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1000000 }')
wall=$(ratio "$(median report 1)" "$(median plain 1)")
cpu=$(ratio "$(median report 0)" "$(median plain 0)")
peak_mib() { awk '$4 > m { m = $4 } END { printf "%.0f", m / 1024 }' "$1.runs"; }
echo
echo "| workload | vestrel | compared with | ratio | goal |"
echo "|---|---|---|---|---|"
printf '| --report, 1M lines, %s set aside | %.2f s (cpu %.2f), %s MiB | /xy /p %.2f s (cpu %.2f), %s MiB | %s (cpu %s) | <= 1.2x: %s |\n' \
    "$set_aside" "$(median report 1)" "$(median report 0)" "$(peak_mib report)" \
    "$(median plain 1)" "$(median plain 0)" "$(peak_mib plain)" "$wall" "$cpu" "$(verdict "$cpu" 1.2)"
echo "| report file | $mb MB | | | < 20 MB: $(verdict "$mb" 19.999) |"
echo "plain run:  $(tr -d '\r\a' <plain.err | grep -v '^$' | tail -n 1)"
echo "report run: $(tr -d '\r\a' <report.err | grep -v '^$' | tail -n 1)"
