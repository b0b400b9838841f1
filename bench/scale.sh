#!/bin/sh
# Benchmarks vestrel on whole collections: 1M, 3M and 10M distinct position keys, and the
# database modes on a 10M-line database against the tools a user would pick instead, in one
# run, and prints the table of the goals with every ratio measured in that same run:
#
#   default run and /xy /p at 1M, 3M, 10M keys   time, peak memory, bytes per key;
#                                                10M at most 11 times the 1M time,
#                                                at most 900 MiB, under 64 bytes a key
#                                                beyond the key's own text
#   /u- sort, 10M-line database              vs  LC_ALL=C sort -o: no slower, at most
#                                                twice its peak memory
#   /u+ 10M EPD lines into the 10M database  vs  the awk update script of bench/run.sh:
#                                                at least 10 times faster
#
#     sh bench/scale.sh [build dir]      (make bench-scale)
#
# The build dir (default build-bench) must hold vestrel and the bench tools. Each round runs
# every command once, RUNS rounds (default 3); medians count. The time that counts is the CPU
# time (user plus system): on a machine shared with other work it is the steadier figure;
# wall-clock medians are shown beside it. The inputs (about 3.2 GB) are generated once into
# ${TMPDIR:-/tmp}/vestrel-bench. KEYS (default "1000000 3000000 10000000") and DB_LINES
# (default 10000000) change the sizes; the first and last KEYS make the ratio.
# Under a hypervisor that takes freed memory back, the system time of a run depends on what
# ran just before it: a huge page freed a moment ago faults in at 0.05 ms/MiB, one handed back
# at 2 to 11 ms/MiB, so the system time is shown beside each figure. The interleaved rounds
# keep that the same for every binary compared. Each timed run of the default run and /xy /p
# follows an untimed run of the same command (WARMUP=0 leaves it out), as in bench/run.sh: the
# 1M run, a fifth of a second, otherwise meets whatever memory the last round's awk update
# left, and its median, the divisor of the ratio, swung by a third from one run to the next.
set -eu

build=${1:-build-bench}
case $build in /*) ;; *) build=$(pwd)/$build ;; esac
runs=${RUNS:-3}
sizes=${KEYS:-1000000 3000000 10000000}
db_lines=${DB_LINES:-10000000}

vestrel=$build/vestrel
gen=$build/bench/gen_collection
gen_db=$build/bench/gen_database
peak=$build/bench/peak_rss
for tool in "$vestrel" "$gen" "$gen_db" "$peak"; do
    if [ ! -x "$tool" ]; then
        echo "scale.sh: $tool is missing; build with -DVESTREL_BENCH=ON first (make bench-scale)" >&2
        exit 1
    fi
done
awk_tool=$(command -v mawk 2>/dev/null || command -v awk)

cache=${TMPDIR:-/tmp}/vestrel-bench
work=$cache/scale
res=$work/results
rm -rf "$work"
mkdir -p "$res" "$work/vestrel" "$work/rival"

# gen_collection repeats about 5% of its records as duplicates (and 2% as mirror images): a
# collection of keys * 100 / 95 lines holds about `keys` distinct keys.
for keys in $sizes; do
    file=$cache/keys-$keys.epd
    if [ ! -s "$file" ] || [ "$gen" -nt "$file" ]; then
        echo "generating keys-$keys.epd ..."
        "$gen" epd $((keys * 100 / 95)) "$file.part"
        mv "$file.part" "$file"
    fi
done
database=$cache/database-$db_lines.epd
if [ ! -s "$database" ] || [ "$gen_db" -nt "$database" ]; then
    echo "generating database-$db_lines.epd ..."
    "$gen_db" "$db_lines" >"$database.part"
    mv "$database.part" "$database"
fi
largest=$(echo $sizes | awk '{ print $NF }')
smallest=$(echo $sizes | awk '{ print $1 }')

# Runs one command under peak_rss in the current directory, stdout to /dev/null, stderr to
# <name>.err; adds a line "wall user system peak-KiB" to <name>.runs.
timed() { # name command...
    name=$1
    shift
    status=0
    "$peak" "$res/$name.one" "$@" >/dev/null 2>"$res/$name.err" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "scale.sh: $name exited with $status:" >&2
        tail -n 3 "$res/$name.err" >&2
        exit 1
    fi
    cat "$res/$name.one" >>"$res/$name.runs"
}

# The /u+ rival of bench/run.sh: the database's position keys first, then every input line
# whose key is new goes to standard output and is appended to the database.
awk_update='NR == FNR { seen[$1" "$2" "$3" "$4] = 1; next }
    !(($1" "$2" "$3" "$4) in seen) { seen[$1" "$2" "$3" "$4] = 1; print; print >> db }'

# Runs a command once, untimed.
warm() {
    [ "${WARMUP:-1}" = 0 ] || "$@" >/dev/null 2>&1 || true
}

echo "measuring, $runs rounds (each command once per round, medians count) ..."
round=1
while [ $round -le "$runs" ]; do
    cd "$work/vestrel"
    for keys in $sizes; do
        warm "$vestrel" "$cache/keys-$keys.epd"
        timed "default.$keys" "$vestrel" "$cache/keys-$keys.epd"
        warm "$vestrel" "$cache/keys-$keys.epd" /xy /p
        timed "xyp.$keys" "$vestrel" "$cache/keys-$keys.epd" /xy /p
    done
    rm -f Vandrelo.epd Vandrelo.bak
    cp "$database" Vandrelo.epd
    timed sort_db "$vestrel" /u-
    rm -f Vandrelo.epd Vandrelo.bak
    cp "$database" Vandrelo.epd
    timed update_db "$vestrel" "$cache/keys-$largest.epd" /u+
    rm -f Vandrelo.epd Vandrelo.bak
    cd "$work/rival"
    timed gnu_sort env LC_ALL=C sort -o sorted.txt "$database"
    rm -f sorted.txt
    cp "$database" database.epd
    timed awk_update "$awk_tool" -v db=database.epd "$awk_update" database.epd \
        "$cache/keys-$largest.epd"
    rm -f database.epd
    echo "  round $round of $runs done"
    round=$((round + 1))
done

# Median of one column of a .runs file; column 0 means user plus system CPU time.
median() { # name column
    awk -v c="$2" '{ print (c == 0 ? $2 + $3 : $c) }' "$res/$1.runs" | sort -n |
        awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
peak_mib() { # name
    awk '$4 > m { m = $4 } END { printf "%.0f", m / 1024 }' "$res/$1.runs"
}
calc() { # awk expression
    awk "BEGIN { printf \"%s\", $1 }"
}
verdict() { # value limit direction(min|max)
    awk -v v="$1" -v l="$2" -v d="$3" 'BEGIN {
        ok = (d == "min") ? (v >= l) : (v <= l)
        printf "%s", ok ? "met" : "MISSED" }'
}
# "0.61 s (wall 0.65, system 0.12)" for a run.
figure() { # name
    printf '%.2f s (wall %.2f, system %.2f)' "$(median "$1" 0)" "$(median "$1" 1)" "$(median "$1" 3)"
}
# The output count of the closing report: the distinct keys of a default run.
keys_stored() { # name
    tr -d '\r\a' <"$res/$1.err" | grep -v '^$' | tail -n 1 | awk '{ print $1 }'
}
# The average length of a position key in a collection: the four position fields, " bm "
# and the stipulation up to its mark, or " bm #".
key_length=$(head -n 200000 "$cache/keys-$smallest.epd" | tr -d '\r' | awk '{
    key = $1 " " $2 " " $3 " " $4
    if (match($0, / bm [^ ;]?[#=]/)) key = key substr($0, RSTART, RLENGTH)
    else key = key " bm #"
    total += length(key)
} END { printf "%.1f", total / NR }')

echo
echo "machine: $(nproc 2>/dev/null || echo ?) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo ?)"
echo "vestrel: $vestrel"
echo "awk:     $(readlink -f "$awk_tool")"
echo "inputs:  keys-N.epd for N in $sizes, database-$db_lines.epd ($(wc -c <"$database" | tr -d ' ') bytes)"
echo "         average key length $key_length bytes"
echo
echo "Medians of $runs interleaved runs: CPU time (user + system), wall and system time beside it."
echo "Bytes per key: peak memory / keys stored, and the same less the key's own text."
echo
echo "| keys stored | default run | B/key (beyond key) | /xy /p | B/key (beyond key) |"
echo "|---|---|---|---|---|"
for keys in $sizes; do
    stored=$(keys_stored "default.$keys")
    line="| $stored |"
    for run in default xyp; do
        mib=$(peak_mib "$run.$keys")
        per_key=$(calc "$mib * 1048576 / $stored")
        line="$line $(figure "$run.$keys"), $mib MiB | $(calc "int($per_key)") ($(calc "int($per_key - $key_length)")) |"
    done
    echo "$line"
done
echo
echo "| goal | default run | /xy /p |"
echo "|---|---|---|"
line="| time $largest keys <= 11x $smallest keys |"
for run in default xyp; do
    r=$(calc "$(median "$run.$largest" 0) / $(median "$run.$smallest" 0)")
    w=$(calc "$(median "$run.$largest" 1) / $(median "$run.$smallest" 1)")
    line="$line $(printf '%.1f' "$r")x (wall $(printf '%.1f' "$w")x): $(verdict "$r" 11 max) |"
done
echo "$line"
line="| peak at $largest keys <= 900 MiB |"
for run in default xyp; do
    mib=$(peak_mib "$run.$largest")
    line="$line $mib MiB: $(verdict "$mib" 900 max) |"
done
echo "$line"
line="| bytes a key beyond its text < 64 |"
stored=$(keys_stored "default.$largest")
for run in default xyp; do
    beyond=$(calc "$(peak_mib "$run.$largest") * 1048576 / $stored - $key_length")
    line="$line $(calc "int($beyond)"): $(verdict "$beyond" 64 max) |"
done
echo "$line"

echo
echo "| workload | vestrel | compared with | ratio | goal |"
echo "|---|---|---|---|---|"
cpu_ratio=$(calc "$(median sort_db 0) / $(median gnu_sort 0)")
mem_ratio=$(calc "$(peak_mib sort_db) / $(peak_mib gnu_sort)")
echo "| /u- sort, $db_lines lines | $(figure sort_db), $(peak_mib sort_db) MiB | LC_ALL=C sort $(figure gnu_sort), $(peak_mib gnu_sort) MiB | time $(printf '%.2f' "$cpu_ratio")x (wall $(printf '%.2f' "$(calc "$(median sort_db 1) / $(median gnu_sort 1)")")x), memory $(printf '%.2f' "$mem_ratio")x | time <= 1x: $(verdict "$cpu_ratio" 1 max), memory <= 2x: $(verdict "$mem_ratio" 2 max) |"
speedup=$(calc "$(median awk_update 0) / $(median update_db 0)")
echo "| /u+ $largest-key collection into $db_lines lines | $(figure update_db), $(peak_mib update_db) MiB | awk update script $(figure awk_update), $(peak_mib awk_update) MiB | $(printf '%.1f' "$speedup")x faster (wall $(printf '%.1f' "$(calc "$(median awk_update 1) / $(median update_db 1)")")x) | >= 10x faster: $(verdict "$speedup" 10 min) |"

echo
echo "default run, $largest keys: $(tr -d '\r\a' <"$res/default.$largest.err" | grep -v '^$' | tail -n 1)"
echo "/u- run:  $(tr -d '\r\a' <"$res/sort_db.err" | grep -v '^$' | tail -n 1)"
echo "/u+ run:  $(tr -d '\r\a' <"$res/update_db.err" | grep -v '^$' | tail -n 1)"
