#!/bin/sh
# Times the /0 progress counter against the default run on the same collection: the default
# run with its lines going to /dev/null, and /0 with the counter going to /dev/null and to a
# file. Prints wall and CPU seconds (median of RUNS runs, default 5) and the ratio of each /0
# run to the default run, which should stay at or below 1.
#
#   sh bench/progress.sh [build dir] [collection]
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
        echo "progress.sh: $tool is missing; build with -DVESTREL_BENCH=ON first (make bench)" >&2
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
case $collection in /*) ;; *) collection=$(pwd)/$collection ;; esac

work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-progress.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"
# A relative name, so that builds before absolute input names were taken can be compared.
ln -s "$collection" collection.epd

# Runs vestrel $runs times on the collection; leaves <name>.runs: wall user system peak-KiB.
measure() { # name stderr-target options...
    name=$1
    target=$2
    shift 2
    : >"$name.runs"
    i=0
    while [ $i -lt "$runs" ]; do
        "$peak" "$name.one" "$vestrel" collection.epd "$@" >/dev/null 2>"$target"
        cat "$name.one" >>"$name.runs"
        i=$((i + 1))
    done
}
median() { # name column (0: user plus system)
    awk -v c="$2" '{ print (c == 0 ? $2 + $3 : $c) }' "$1.runs" | sort -n |
        awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
ratio() { # a b
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "inf" }'
}

echo "measuring /0 on $collection, $runs runs each (median) ..."
measure default /dev/null
measure zero_null /dev/null /0
measure zero_file progress.err /0
bytes=$(wc -c <progress.err | tr -d ' ')

printf '%-30s %9s %9s %12s\n' "run" "wall s" "cpu s" "cpu/default"
base=$(median default 0)
for name in default zero_null zero_file; do
    case $name in
    default) label="default, lines to /dev/null" ;;
    zero_null) label="/0, counter to /dev/null" ;;
    zero_file) label="/0, counter to a file" ;;
    esac
    cpu=$(median $name 0)
    printf '%-30s %9.3f %9.3f %12s\n' "$label" "$(median $name 1)" "$cpu" "$(ratio "$cpu" "$base")"
done
echo "/0 counter bytes on standard error: $bytes"
