#!/bin/sh
# Hash flooding: collections whose keys differ only in en-passant fields made of the blocks
# "Ab" and "BA", which add the same to a djb2 value, so every key has one and the same 32-bit
# djb2 value. Runs vestrel on 10,000, 40,000 and 160,000 such records (CPU seconds, median of
# RUNS runs) and checks that 4 times the records take at most 5 times the time. /hc keeps the
# counted buckets, whose count is quadratic here by its definition; it is shown for 5,000 and
# 10,000 records.
#     sh bench/flood.sh [vestrel] [peak_rss]       (defaults: build-bench/vestrel and its bench/)
set -eu

vestrel=${1:-build-bench/vestrel}
case $vestrel in /*) ;; *) vestrel=$(pwd)/$vestrel ;; esac
peak=${2:-$(dirname "$vestrel")/bench/peak_rss}
case $peak in /*) ;; *) peak=$(pwd)/$peak ;; esac
runs=${RUNS:-3}
for tool in "$vestrel" "$peak"; do
    if [ ! -x "$tool" ]; then
        echo "flood.sh: $tool is missing; build with -DVESTREL_BENCH=ON first" >&2
        exit 1
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-flood.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"

# Writes `count` records whose keys share one djb2 value: 20 blocks give a million keys.
generate() { # count file
    awk -v n="$1" 'BEGIN {
        for (i = 0; i < n; i++) {
            s = ""; v = i
            for (b = 0; b < 20; b++) { s = s ((v % 2) ? "BA" : "Ab"); v = int(v / 2) }
            printf "8/8/8/8/8/8/8/K6k w - %s bm #2;\r\n", s
        }
    }' >"$2"
}

# Median CPU seconds (user + system) of `runs` runs.
cpu_median() { # file options...
    file=$1
    shift
    i=0
    : >times
    while [ $i -lt "$runs" ]; do
        "$peak" one "$vestrel" "$file" "$@" >/dev/null 2>err
        awk '{ print $2 + $3 }' one >>times
        i=$((i + 1))
    done
    sort -n times | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

echo "hash flooding: records whose keys share one djb2 value, CPU s (median of $runs)"
printf '%-12s %10s %10s\n' "records" "default" "/hc"
for count in 5000 10000 40000 160000; do
    generate $count flood-$count.epd
    fast=$(cpu_median flood-$count.epd)
    counted=-
    case $count in 5000 | 10000) counted=$(cpu_median flood-$count.epd /hc) ;; esac
    printf '%-12s %10s %10s\n' "$count" "$fast" "$counted"
    eval "t_$count=$fast"
done
tail -n 1 err | tr -d '\r\a'
echo
# The start-up costs a few milliseconds, so the ratio counts from 1 ms at least.
awk -v a="$t_10000" -v b="$t_40000" -v c="$t_160000" 'BEGIN {
    if (a < 0.001) a = 0.001
    if (b < 0.001) b = 0.001
    r1 = b / a; r2 = c / b
    printf "40,000 / 10,000 records:  %.2f x the time (linear: 4, limit 5): %s\n", r1, r1 <= 5 ? "met" : "MISSED"
    printf "160,000 / 40,000 records: %.2f x the time (linear: 4, limit 5): %s\n", r2, r2 <= 5 ? "met" : "MISSED"
    exit (r1 <= 5 && r2 <= 5) ? 0 : 1
}'
