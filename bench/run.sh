#!/bin/sh
# Benchmarks vestrel on generated collections (1,000,000 EPD lines, 200,000 PGN games):
# wall and CPU time (median of five runs), lines per second, ratios against cat and awk,
# the cost of /xy /p and the peak memory, then the seen-position set benchmark.
#     sh bench/run.sh [build dir]        (default build-bench; builds nothing itself)
# The collections are generated once into ${TMPDIR:-/tmp}/vestrel-bench and reused.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-bench}
case $build in
/*) ;;
*) build=$(pwd)/$build ;;
esac
runs=5
epd_lines=1000000
pgn_games=200000

vestrel=$build/vestrel
gen=$build/bench/gen_collection
peak=$build/bench/peak_rss
seen=$build/bench/seen_set_bench
for tool in "$vestrel" "$gen" "$peak" "$seen"; do
    if [ ! -x "$tool" ]; then
        echo "run.sh: $tool is missing; build with -DVESTREL_BENCH=ON first (make bench)" >&2
        exit 1
    fi
done

cache=${TMPDIR:-/tmp}/vestrel-bench
epd=collection-$epd_lines.epd
pgn=collection-$pgn_games.pgn
mkdir -p "$cache/work"
# vestrel takes every argument that begins with "/" for an option, so it is given relative
# file names and runs in a scratch directory of its own (it writes Vestrel.log there).
cd "$cache/work"

# Generates a collection unless a copy from the current generator is already there.
generate() { # kind count file
    if [ ! -s "../$3" ] || [ "$gen" -nt "../$3" ]; then
        echo "generating $3 ..."
        "$gen" "$1" "$2" "../$3.part"
        mv "../$3.part" "../$3"
    fi
}
generate epd $epd_lines "$epd"
generate pgn $pgn_games "$pgn"
epd_count=$(wc -l <"../$epd" | tr -d ' ')
pgn_count=$(wc -l <"../$pgn" | tr -d ' ')

# Runs a command $runs times under peak_rss, stdout to /dev/null, stderr to <name>.err.
# Leaves <name>.runs with one line per run: wall user system peak-KiB.
measure() { # name command...
    name=$1
    shift
    : >"$name.runs"
    i=0
    while [ $i -lt $runs ]; do
        "$peak" "$name.one" "$@" >/dev/null 2>"$name.err"
        cat "$name.one" >>"$name.runs"
        i=$((i + 1))
    done
    rm -f "$name.one"
}

# Median of one column of a .runs file; column 0 means user plus system CPU time.
median() { # name column
    awk -v c="$2" '{ print (c == 0 ? $2 + $3 : $c) }' "$1.runs" | sort -n |
        awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
peak_mib() { # name
    awk '$4 > m { m = $4 } END { printf "%.1f", m / 1024 }' "$1.runs"
}
ratio() { # a b
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "inf" }'
}
per_second() { # count seconds
    awk -v n="$1" -v t="$2" 'BEGIN { if (t > 0) printf "%.0f", n / t; else print "inf" }'
}
verdict() { # value limit direction(min|max)
    awk -v v="$1" -v l="$2" -v d="$3" 'BEGIN {
        ok = (d == "min") ? (v >= l) : (v <= l)
        printf "%s", ok ? "met" : "MISSED" }'
}
report_line() { # name
    tr -d '\r\a' <"$1.err" | grep -v '^$' | tail -n 1
}

echo "measuring, $runs runs each (median) ..."
measure cat_epd cat "../$epd"
measure cat_pgn cat "../$pgn"
measure default_epd "$vestrel" "../$epd"
measure default_pgn "$vestrel" "../$pgn"
measure awk_epd awk '!seen[$1" "$2" "$3" "$4]++' "../$epd"
measure xyp_epd "$vestrel" "../$epd" /xy /p

echo
echo "machine: $(nproc 2>/dev/null || echo ?) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo ?)"
echo "input:   $cache/$epd ($epd_count lines), $cache/$pgn ($pgn_count lines)"
echo "awk:     $(readlink -f "$(command -v awk)")"
echo
printf '%-26s %9s %9s %12s %10s\n' "run" "wall s" "cpu s" "lines/s" "peak MiB"
for name in cat_epd cat_pgn default_epd default_pgn awk_epd xyp_epd; do
    wall=$(median $name 1)
    count=$epd_count
    case $name in *_pgn) count=$pgn_count ;; esac
    printf '%-26s %9.3f %9.3f %12s %10s\n' "$name" "$wall" "$(median $name 0)" \
        "$(per_second "$count" "$wall")" "$(peak_mib $name)"
done
echo
echo "default EPD run: $(report_line default_epd)"
echo "default PGN run: $(report_line default_pgn)"
echo "/xy /p EPD run:  $(report_line xyp_epd)"
echo

w_default=$(median default_epd 1)
c_default=$(median default_epd 0)
w_awk=$(median awk_epd 1)
c_awk=$(median awk_epd 0)
w_xyp=$(median xyp_epd 1)
c_xyp=$(median xyp_epd 0)
awk_wall=$(ratio "$w_awk" "$w_default")
awk_cpu=$(ratio "$c_awk" "$c_default")
xyp_wall=$(ratio "$w_xyp" "$w_default")
xyp_cpu=$(ratio "$c_xyp" "$c_default")
mem_default=$(peak_mib default_epd)
mem_xyp=$(peak_mib xyp_epd)
echo "vestrel/cat, EPD:        $(ratio "$w_default" "$(median cat_epd 1)") (wall)"
echo "vestrel/cat, PGN:        $(ratio "$(median default_pgn 1)" "$(median cat_pgn 1)") (wall)"
echo "awk/default:             $awk_wall wall, $awk_cpu cpu    target >= 5: $(verdict "$awk_wall" 5 min)"
echo "(/xy /p)/default:        $xyp_wall wall, $xyp_cpu cpu    target <= 3: $(verdict "$xyp_wall" 3 max)"
echo "peak memory, default:    $mem_default MiB    target < 300: $(verdict "$mem_default" 299.99 max)"
echo "peak memory, /xy /p:     $mem_xyp MiB    target < 300: $(verdict "$mem_xyp" 299.99 max)"

echo
"$seen"

if [ -f "$root/bench/sort_bench.sh" ]; then
    echo
    generator=""
    [ -x "$build/bench/gen_database" ] && generator=$build/bench/gen_database
    sh "$root/bench/sort_bench.sh" "$vestrel" $generator
fi
