#!/bin/sh
# Times the database sort (vestrel /u-) on a generated 1,000,000-line database against
# "LC_ALL=C sort" of the same file, in the same run, and prints both times and their ratio.
#
#   bench/sort_bench.sh [vestrel] [gen_database]
#
# vestrel defaults to build/vestrel. Without a generator binary, bench/gen_database.cpp is
# compiled with ${CXX:-g++} -O2 into the scratch directory. LINES (default 1000000), SEED
# (default 1) and VARIANTS (case variants per mille, default 2) shape the database; RUNS
# (default 3) is the number of timed runs of each command, of which the fastest counts.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
vestrel=${1:-build/vestrel}
generator=${2:-}
lines=${LINES:-1000000}
seed=${SEED:-1}
variants=${VARIANTS:-2}
runs=${RUNS:-3}

case $vestrel in /*) ;; *) vestrel=$(pwd)/$vestrel ;; esac
if [ ! -x "$vestrel" ]; then
    echo "no vestrel binary at $vestrel" >&2
    exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

if [ -z "$generator" ]; then
    generator=$work/gen_database
    "${CXX:-g++}" -std=c++20 -O2 -o "$generator" "$here/gen_database.cpp"
fi
"$generator" "$lines" "$seed" "$variants" >"$work/database.epd"
echo "database: $lines lines, $(wc -c <"$work/database.epd") bytes (seed $seed, $variants per mille case variants)"

# Seconds of one command, from the POSIX "time -p" report.
seconds_of() {
    (time -p sh -c "exec >/dev/null 2>&1; $1") 2>&1 | awk '$1 == "real" { print $2 }'
}

fastest() {
    echo "$@" | tr ' ' '\n' | sort -n | head -n 1
}

mkdir "$work/run"
vestrel_times=""
sort_times=""
i=0
while [ "$i" -lt "$runs" ]; do
    rm -f "$work/run/"*
    cp "$work/database.epd" "$work/run/Vandrelo.epd"
    vestrel_times="$vestrel_times $(seconds_of "cd '$work/run' && '$vestrel' /u-")"
    if ! cmp -s "$work/database.epd" "$work/run/Vandrelo.bak"; then
        echo "vestrel /u- did not keep the database as Vandrelo.bak" >&2
        exit 1
    fi
    sort_times="$sort_times $(seconds_of "LC_ALL=C sort '$work/database.epd' >'$work/sorted.txt'")"
    i=$((i + 1))
done

vestrel_best=$(fastest $vestrel_times)
sort_best=$(fastest $sort_times)
echo "vestrel /u-     :$vestrel_times s  (fastest $vestrel_best s)"
echo "LC_ALL=C sort   :$sort_times s  (fastest $sort_best s)"
awk -v v="$vestrel_best" -v s="$sort_best" 'BEGIN {
    if (s > 0) printf "ratio vestrel/sort: %.2f (limit 3.00)\n", v / s
    else print "ratio vestrel/sort: sort too fast to measure"
}'
