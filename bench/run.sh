#!/bin/sh
# Benchmarks vestrel against the tools a user would pick instead, in one run, and prints the
# table of the performance goals with every ratio measured in that same run:
#
#   default run, on each shape  vs  awk '!seen[$1" "$2" "$3" "$4]++' (mawk where installed)
#     distinct:  1M generated EPD lines, varied material, a few duplicates and mirror images
#     duplicate: a suite of 6,556 generated problems with times and params, 150 copies
#     database:  the 1M-line database file (times, params, sources, comment lines)
#     fen:       1M FEN lines with move counters and trailing comments
#   /xy /p, distinct and duplicate  vs  the default run on the same shape
#   /xy /p, 1M EPD lines        vs  the default run
#   PGN -> EPD, 200k games      vs  pgn-extract -Wepd -D (headers-only copy, see below)
#   /u- sort, 1M-line database  vs  LC_ALL=C sort -o
#   /u+ 1M lines into 1M        vs  an awk script that appends the new positions
#   /0, 1M EPD lines            vs  the default run
#   --legal, 1M EPD lines       vs  /p                      (this binary only)
#   --canonical, 1M EPD lines   vs  the default run         (this binary only)
#
# and the peak memory of every vestrel run, then bench/progress.sh, bench/flood.sh,
# bench/report.sh (the cost of --report) and bench/page_clearing.sh (the kernel's share in
# clearing fresh pages) where they exist, and the seen-position set benchmark.
#
#     sh bench/run.sh [build dir] [older vestrel binary]     (make bench)
#
# The build dir (default build-bench) must hold vestrel and the bench tools; nothing is built
# here. With an older binary (or BEFORE=path) every vestrel run is made with it too, in the
# same rounds, and the table gets a "before" column. Runs are interleaved: each round runs
# every command once (after an untimed run of it, see timed below), RUNS rounds (default 3),
# medians of wall and of CPU time (user plus system) count. Wall time is what the goals are
# about; on a busy machine the CPU time is the steadier figure. Two more rows give the default
# run's cold start against awk's, on the distinct and the duplicate-heavy shape. The inputs are
# generated once into
# ${TMPDIR:-/tmp}/vestrel-bench.
#
# pgn-extract checks the moves of every game and writes a report for each one it cannot play;
# the generated games carry random move text, so it gets (as vestrel does in that row) a copy
# of the collection with the move text left out. Vestrel reads only the header tags, so its
# output is the same for both files. pgn-extract (Debian package pgn-extract) and mawk are
# installed when missing and this runs as root with apt-get; otherwise the pgn-extract row is
# skipped and the system's awk is used.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-bench}
case $build in /*) ;; *) build=$(pwd)/$build ;; esac
before=${2:-${BEFORE:-}}
if [ -n "$before" ]; then
    case $before in /*) ;; *) before=$(pwd)/$before ;; esac
fi
runs=${RUNS:-3}
warmup=${WARMUP:-1}
setup=
epd_lines=${EPD_LINES:-1000000}
pgn_games=${PGN_GAMES:-200000}
db_lines=${DB_LINES:-1000000}

vestrel=$build/vestrel
gen=$build/bench/gen_collection
gen_db=$build/bench/gen_database
peak=$build/bench/peak_rss
seen=$build/bench/seen_set_bench
for tool in "$vestrel" "$gen" "$gen_db" "$peak" "$seen" ${before:+"$before"}; do
    if [ ! -x "$tool" ]; then
        echo "run.sh: $tool is missing; build with -DVESTREL_BENCH=ON first (make bench)" >&2
        exit 1
    fi
done

# The rival tools: installed from the Debian packages when missing and allowed to.
can_install() {
    [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1
}
install_package() { # package
    echo "installing the Debian package $1 ..."
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$1" >/dev/null 2>&1 ||
        { apt-get update -qq >/dev/null 2>&1 &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$1" >/dev/null 2>&1; } ||
        echo "run.sh: could not install $1" >&2
}
find_pgn_extract() {
    command -v pgn-extract 2>/dev/null ||
        { [ -x /usr/games/pgn-extract ] && echo /usr/games/pgn-extract; } || true
}
if ! command -v mawk >/dev/null 2>&1 && can_install; then install_package mawk; fi
awk_tool=$(command -v mawk 2>/dev/null || command -v awk)
pgn_extract=$(find_pgn_extract)
if [ -z "$pgn_extract" ] && can_install; then
    install_package pgn-extract
    pgn_extract=$(find_pgn_extract)
fi

cache=${TMPDIR:-/tmp}/vestrel-bench
epd=collection-$epd_lines.epd
pgn=collection-$pgn_games.pgn
pgn_headers=collection-$pgn_games-headers.pgn
database=database-$db_lines.epd
suite_problems=6556
suite_copies=${SUITE_COPIES:-150}
suite=suite-$suite_problems-x$suite_copies.epd
fen=fen-$epd_lines.fen
mkdir -p "$cache"
# vestrel takes every argument that begins with "/" for an option, so it is given relative
# file names and runs in scratch directories of its own (it writes Vestrel.log there; the
# database runs keep their database file there).
work=$cache/work
res=$work/results
rm -rf "$work"
mkdir -p "$res" "$work/after" "$work/before" "$work/rival"

# Generates an input unless a copy from the current generator is already there.
generate() { # file generator arguments...
    file=$1
    shift
    if [ ! -s "$cache/$file" ] || [ "$1" -nt "$cache/$file" ]; then
        echo "generating $file ..."
        "$@"
        mv "$cache/$file.part" "$cache/$file"
    fi
}
generate "$epd" "$gen" epd $epd_lines "$cache/$epd.part"
generate "$pgn" "$gen" pgn $pgn_games "$cache/$pgn.part"
if [ ! -s "$cache/$database" ] || [ "$gen_db" -nt "$cache/$database" ]; then
    echo "generating $database ..."
    "$gen_db" $db_lines >"$cache/$database.part"
    mv "$cache/$database.part" "$cache/$database"
fi
generate "$fen" "$gen" fen $epd_lines "$cache/$fen.part"
# The duplicate-heavy shape: one suite (8 comment lines and 6,556 problem lines) repeated.
if [ ! -s "$cache/$suite" ] || [ "$gen_db" -nt "$cache/$suite" ]; then
    echo "generating $suite ..."
    "$gen_db" $((suite_problems + 8)) 7 0 >"$cache/suite.one"
    i=0
    : >"$cache/$suite.part"
    while [ $i -lt "$suite_copies" ]; do
        cat "$cache/suite.one" >>"$cache/$suite.part"
        i=$((i + 1))
    done
    rm -f "$cache/suite.one"
    mv "$cache/$suite.part" "$cache/$suite"
fi
# The shapes every default run and awk dedupe are measured on: name and input file.
shapes="distinct:$epd duplicate:$suite database:$database fen:$fen"

# Every game's tags, an empty line, "*" and an empty line; the move text is left out.
if [ ! -s "$cache/$pgn_headers" ] || [ "$cache/$pgn" -nt "$cache/$pgn_headers" ]; then
    "$awk_tool" '{ t = $0; sub(/\r$/, "", t) }
        t ~ /^\[/ { print; tags = 1; next }
        t == "" && tags { print; print "*\r"; print; tags = 0 }' \
        "$cache/$pgn" >"$cache/$pgn_headers.part"
    mv "$cache/$pgn_headers.part" "$cache/$pgn_headers"
fi

# /u+ rival: the database's position keys first, then every input line whose key is new goes
# to standard output and is appended to the database.
awk_update='NR == FNR { seen[$1" "$2" "$3" "$4] = 1; next }
    !(($1" "$2" "$3" "$4) in seen) { seen[$1" "$2" "$3" "$4] = 1; print; print >> db }'

# Runs one command under peak_rss in the current directory, stdout to /dev/null, stderr to
# <name>.err; adds a line "wall user system peak-KiB" to <name>.runs. The command runs once
# untimed just before (WARMUP=0 leaves that out), so that each timed run starts from memory the
# system freed a moment ago, whatever ran before it. Under a hypervisor that takes freed memory
# back (free page reporting), a run that draws memory handed back pays about 1.7 ms/MiB to
# fault it in again, against 0.05 ms/MiB otherwise, and which of the two a run gets depends on
# the command before it and the time since; bare-metal machines never pay the first. The cold
# start is measured on its own at the end. The function named by $setup (default none) runs
# before each of the two runs, for commands that change their files.
timed() { # name command...
    name=$1
    shift
    if [ "$warmup" != 0 ]; then
        ${setup:-:}
        "$@" >/dev/null 2>&1 || true
    fi
    ${setup:-:}
    status=0
    "$peak" "$res/$name.one" "$@" >/dev/null 2>"$res/$name.err" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "run.sh: $name exited with $status:" >&2
        tail -n 3 "$res/$name.err" >&2
        exit 1
    fi
    cat "$res/$name.one" >>"$res/$name.runs"
}

# The vestrel runs of one binary: <side> is "after" or "before".
vestrel_round() { # side binary
    side=$1
    bin=$2
    cd "$work/$side"
    for shape in $shapes; do
        timed "default_${shape%%:*}.$side" "$bin" "../../${shape#*:}"
    done
    timed "xyp_epd.$side" "$bin" "../../$epd" /xy /p
    timed "xyp_duplicate.$side" "$bin" "../../$suite" /xy /p
    timed "zero_epd.$side" "$bin" "../../$epd" /0
    # Options an older binary may not know are measured for this one alone.
    if [ "$side" = after ]; then
        timed "p_epd.$side" "$bin" "../../$epd" /p
        timed "legal_epd.$side" "$bin" "../../$epd" --legal
        timed "canonical_epd.$side" "$bin" "../../$epd" --canonical
    fi
    timed "default_pgn.$side" "$bin" "../../$pgn"
    timed "headers_pgn.$side" "$bin" "../../$pgn_headers"
    setup=fresh_database
    timed "sort_db.$side" "$bin" /u-
    if ! cmp -s "$cache/$database" Vandrelo.bak; then
        echo "run.sh: vestrel /u- did not keep the database as Vandrelo.bak" >&2
        exit 1
    fi
    mv Vandrelo.epd "$res/sorted.$side.epd"
    timed "update_db.$side" "$bin" "../../$epd" /u+
    setup=
    rm -f Vandrelo.epd Vandrelo.bak
}

# The database as generated, and no backup or temporary file of an earlier run.
fresh_database() {
    rm -f Vandrelo.epd Vandrelo.bak Vandrelo.epd.new
    cp "$cache/$database" Vandrelo.epd
}

rival_round() {
    cd "$work/rival"
    timed cat_epd cat "../../$epd"
    timed cat_pgn cat "../../$pgn"
    for shape in $shapes; do
        timed "awk_${shape%%:*}" "$awk_tool" '!seen[$1" "$2" "$3" "$4]++' "../../${shape#*:}"
    done
    if [ -n "$pgn_extract" ]; then
        timed pgn_extract "$pgn_extract" -Wepd -D "../../$pgn_headers"
    fi
    timed gnu_sort env LC_ALL=C sort -o sorted.txt "../../$database"
    rm -f sorted.txt
    setup=fresh_rival_database
    timed awk_update "$awk_tool" -v db=database.epd "$awk_update" database.epd "../../$epd"
    setup=
    rm -f database.epd
}
fresh_rival_database() { cp "$cache/$database" database.epd; }

echo "measuring, $runs rounds (each command once per round, medians count) ..."
round=1
while [ $round -le "$runs" ]; do
    vestrel_round after "$vestrel"
    rival_round
    if [ -n "$before" ]; then vestrel_round before "$before"; fi
    echo "  round $round of $runs done"
    round=$((round + 1))
done
# The cold start: the default run and awk on the distinct and the duplicate-heavy shape, each
# after COLD_IDLE seconds (default 3) with nothing running, as a single run of a user's would
# be. Under a hypervisor with free page reporting the memory freed before has been handed back
# by then. COLD_IDLE=0 leaves this out.
cold_idle=${COLD_IDLE:-3}
cold_shapes="distinct:$epd duplicate:$suite"
if [ "$cold_idle" != 0 ]; then
    echo "measuring cold starts, $runs of each ($cold_idle s idle before each run) ..."
    warmup=0
    round=1
    while [ $round -le "$runs" ]; do
        # A run a few seconds after a larger one still finds some of its memory warm, so the
        # binaries take turns at going first.
        sides="after before"
        if [ $((round % 2)) = 0 ]; then sides="before after"; fi
        for shape in $cold_shapes; do
            # timed sets $name: the shape's name is kept in its own variable
            cold=${shape%%:*}
            input=../../${shape#*:}
            for side in $sides; do
                if [ "$side" = after ]; then
                    bin=$vestrel
                elif [ -n "$before" ]; then
                    bin=$before
                else
                    continue
                fi
                cd "$work/$side"
                sleep "$cold_idle"
                timed "cold_$cold.$side" "$bin" "$input"
            done
            cd "$work/rival"
            sleep "$cold_idle"
            timed "cold_awk_$cold" "$awk_tool" '!seen[$1" "$2" "$3" "$4]++' "$input"
        done
        round=$((round + 1))
    done
fi
cd "$work"
if [ -n "$before" ] && ! cmp -s "$res/sorted.after.epd" "$res/sorted.before.epd"; then
    echo "run.sh: WARNING: /u- wrote different databases before and after" >&2
fi

# Median of one column of a .runs file; column 0 means user plus system CPU time.
median() { # name column
    awk -v c="$2" '{ print (c == 0 ? $2 + $3 : $c) }' "$res/$1.runs" | sort -n |
        awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
peak_mib() { # name
    awk '$4 > m { m = $4 } END { printf "%.0f", m / 1024 }' "$res/$1.runs"
}
ratio() { # a b
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "inf" }'
}
verdict() { # value limit direction(min|max)
    awk -v v="$1" -v l="$2" -v d="$3" 'BEGIN {
        ok = (d == "min") ? (v >= l) : (v <= l)
        printf "%s", ok ? "met" : "MISSED" }'
}
# "0.61 s (cpu 0.55)" for a run.
figure() { # name
    printf '%.2f s (cpu %.2f)' "$(median "$1" 1)" "$(median "$1" 0)"
}
# The wall ratio, with the CPU ratio in parentheses; "rival/own" when faster means larger.
ratios() { # numerator-name denominator-name
    printf '%s (cpu %s)' "$(ratio "$(median "$1" 1)" "$(median "$2" 1)")" \
        "$(ratio "$(median "$1" 0)" "$(median "$2" 0)")"
}

echo
echo "machine: $(nproc 2>/dev/null || echo ?) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo ?)"
echo "inputs:  $epd ($(wc -l <"$cache/$epd" | tr -d ' ') lines, $(wc -c <"$cache/$epd" | tr -d ' ') bytes)"
echo "         $suite ($(wc -l <"$cache/$suite" | tr -d ' ') lines), $fen ($(wc -c <"$cache/$fen" | tr -d ' ') bytes)"
echo "         $pgn ($pgn_games games, $(wc -c <"$cache/$pgn" | tr -d ' ') bytes), $pgn_headers ($(wc -c <"$cache/$pgn_headers" | tr -d ' ') bytes)"
echo "         $database ($(wc -l <"$cache/$database" | tr -d ' ') lines, $(wc -c <"$cache/$database" | tr -d ' ') bytes)"
echo "awk:     $(readlink -f "$awk_tool")"
echo "pgn-extract: ${pgn_extract:-not installed, its row is skipped}"
echo "vestrel: $vestrel"
[ -n "$before" ] && echo "before:  $before"
echo
echo "Wall-clock medians of $runs interleaved runs; cpu = user + system. Ratios: wall (cpu)."
if [ "${WARMUP:-1}" != 0 ]; then
    echo "Each timed run follows an untimed run of the same command (WARMUP=0 leaves it out)."
fi
echo

# One table row: workload, vestrel figure, rival or base figure, ratio, goal, verdict; with an
# older binary also its figure and ratio.
row() { # label own rival rival-label ratio-kind(faster|slower) goal-value
    label=$1 own=$2 rival=$3 rival_label=$4 kind=$5 goal=$6
    if [ "$kind" = faster ]; then
        r=$(ratios "$rival" "$own.after")
        v=$(verdict "$(ratio "$(median "$rival" 1)" "$(median "$own.after" 1)")" "$goal" min)
        g=">= ${goal}x faster"
    else
        r="$(ratios "$own.after" "$rival") its time"
        v=$(verdict "$(ratio "$(median "$own.after" 1)" "$(median "$rival" 1)")" "$goal" max)
        g="<= ${goal}x"
    fi
    line="| $label | $(figure "$own.after"), $(peak_mib "$own.after") MiB | $rival_label $(figure "$rival") | $r | $g: $v |"
    if [ -n "$before" ]; then
        if [ "$kind" = faster ]; then
            rb=$(ratios "$rival" "$own.before")
        else
            rb="$(ratios "$own.before" "$rival") its time"
        fi
        line="$line $(figure "$own.before"), $(peak_mib "$own.before") MiB | $rb |"
    fi
    echo "$line"
}
# A row whose base is the same binary's default run (on the distinct shape unless named).
row_self() { # label own base-label goal [base]
    label=$1 own=$2 base_label=$3 goal=$4 base=${5:-default_distinct}
    r=$(ratios "$own.after" "$base.after")
    v=$(verdict "$(ratio "$(median "$own.after" 1)" "$(median "$base.after" 1)")" "$goal" max)
    line="| $label | $(figure "$own.after"), $(peak_mib "$own.after") MiB | $base_label $(figure "$base.after") | $r the default | <= ${goal}x: $v |"
    if [ -n "$before" ]; then
        line="$line $(figure "$own.before"), $(peak_mib "$own.before") MiB | $(ratios "$own.before" "$base.before") |"
    fi
    echo "$line"
}

# A row of this binary alone against another of its runs.
row_vs() { # label own base base-label goal
    label=$1 own=$2 base=$3 base_label=$4 goal=$5
    v=$(verdict "$(ratio "$(median "$own.after" 1)" "$(median "$base.after" 1)")" "$goal" max)
    echo "| $label | $(figure "$own.after"), $(peak_mib "$own.after") MiB | $base_label $(figure "$base.after") | $(ratios "$own.after" "$base.after") its time | <= ${goal}x: $v |${before:+ | |}"
}

# 1000000 as "1M", 200000 as "200k".
short() { # count
    awk -v n="$1" 'BEGIN {
        if (n % 1000000 == 0) printf "%dM", n / 1000000
        else if (n % 1000 == 0) printf "%dk", n / 1000
        else printf "%d", n }'
}
lines=$(short $epd_lines)
header="| workload | vestrel | compared with | ratio | goal |"
rule="|---|---|---|---|---|"
if [ -n "$before" ]; then
    header="$header before | ratio before |"
    rule="$rule---|---|"
fi
echo "$header"
echo "$rule"
awk_name=$(basename "$awk_tool")
row "distinct: default run, $lines EPD lines" default_distinct awk_distinct "$awk_name" faster 8
row "duplicate: default run, $suite_problems problems x $suite_copies" default_duplicate \
    awk_duplicate "$awk_name" faster 8
row "database: default run, $(short $db_lines)-line database" default_database awk_database \
    "$awk_name" faster 8
row "fen: default run, $lines FEN lines with comments" default_fen awk_fen "$awk_name" faster 8
# A cold-start row: the shape's default run and awk, each after idleness.
cold_row() { # shape
    own=cold_$1
    rival=cold_awk_$1
    label="$1: default run, cold start (system $(printf '%.2f' "$(median "$own.after" 3)") s)"
    line="| $label | $(figure "$own.after"), $(peak_mib "$own.after") MiB | $awk_name $(figure "$rival") | $(ratios "$rival" "$own.after") | >= 8x faster: $(verdict "$(ratio "$(median "$rival" 1)" "$(median "$own.after" 1)")" 8 min) |"
    if [ -n "$before" ]; then
        line="$line $(figure "$own.before") (system $(printf '%.2f' "$(median "$own.before" 3)") s), $(peak_mib "$own.before") MiB | $(ratios "$rival" "$own.before") |"
    fi
    echo "$line"
}
if [ "$cold_idle" != 0 ]; then
    for shape in $cold_shapes; do cold_row "${shape%%:*}"; done
fi
row_self "distinct: /xy /p" xyp_epd "default run" 1.5
row_self "duplicate: /xy /p" xyp_duplicate "default run" 1.5 default_duplicate
if [ -n "$pgn_extract" ]; then
    row "pgn: PGN -> EPD, $(short $pgn_games) games (headers only)" headers_pgn pgn_extract "pgn-extract -Wepd -D" faster 8
else
    echo "| PGN -> EPD, $(short $pgn_games) games | $(figure headers_pgn.after) | pgn-extract not installed: skipped | | |"
fi
row "/u- sort, $(short $db_lines)-line database" sort_db gnu_sort "LC_ALL=C sort" slower 1.0
row "/u+ $lines EPD lines into $(short $db_lines)" update_db awk_update "awk update script" faster 12
row_self "/0, $lines EPD lines" zero_epd "default run" 1.0
row_vs "--legal, $lines EPD lines" legal_epd p_epd "/p" 1.5
row_vs "--canonical, $lines EPD lines" canonical_epd default_distinct "default run" 1.3

echo
echo "| vestrel run | peak MiB | goal <= 150 MiB |${before:+ before, MiB |}"
echo "|---|---|---|${before:+---|}"
for name in default_distinct default_duplicate default_database default_fen xyp_epd zero_epd default_pgn headers_pgn sort_db update_db; do
    mib=$(peak_mib "$name.after")
    echo "| $name | $mib | $(verdict "$mib" 150 max) |${before:+ $(peak_mib "$name.before") |}"
done

echo
echo "full PGN file: vestrel $(figure default_pgn.after), cat $(figure cat_pgn);" \
    "$lines EPD lines: cat $(figure cat_epd)"
echo "default EPD run: $(tr -d '\r\a' <"$res/default_distinct.after.err" | grep -v '^$' | tail -n 1)"
echo "/u- run:         $(tr -d '\r\a' <"$res/sort_db.after.err" | grep -v '^$' | tail -n 1)"
echo "/u+ run:         $(tr -d '\r\a' <"$res/update_db.after.err" | grep -v '^$' | tail -n 1)"
echo "/p run:          $(tr -d '\r\a' <"$res/p_epd.after.err" | grep -v '^$' | tail -n 1)"
echo "--legal run:     $(tr -d '\r\a' <"$res/legal_epd.after.err" | grep -v '^$' | tail -n 1)"
echo "--canonical run: $(tr -d '\r\a' <"$res/canonical_epd.after.err" | grep -v '^$' | tail -n 1)"

# The /0 counter in its own detail, and the hash-flooding input, where those scripts exist.
if [ -f "$root/bench/progress.sh" ]; then
    echo
    sh "$root/bench/progress.sh" "$build" "$cache/$epd"
fi
if [ -f "$root/bench/flood.sh" ]; then
    echo
    sh "$root/bench/flood.sh" "$vestrel" "$peak"
fi
if [ -f "$root/bench/report.sh" ]; then
    echo
    sh "$root/bench/report.sh" "$build" "$cache/$epd"
fi
if [ -f "$root/bench/page_clearing.sh" ]; then
    echo
    RUNS=$runs sh "$root/bench/page_clearing.sh" "$vestrel" "distinct:$cache/$epd" \
        "duplicate:$cache/$suite"
fi

echo
"$seen"
