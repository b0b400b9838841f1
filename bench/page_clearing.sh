#!/bin/sh
# The share of a default run's samples that the kernel spends clearing fresh pages for it
# (clear_page_* and the like), on each collection given: perf samples RUNS runs (default 5)
# of each, every one right after an untimed run of the same command, as in bench/run.sh. Prints
# the median share with the lowest and the highest, against the goal of less than 5%.
#
#   sh bench/page_clearing.sh <vestrel> <name:collection>...
#
# Under a hypervisor that takes freed memory back, a huge page handed back costs 4.5 to 22 ms
# to fault in against 0.09 ms for one freed a moment ago, and the kernel's time in clearing
# it is sampled as clearing: the spread of the share tells how much of it this machine adds.
# Needs perf and the right to sample the kernel (root, or kernel.perf_event_paranoid <= 1);
# without them it says so and does nothing.
set -eu

if [ $# -lt 2 ]; then
    echo "usage: sh bench/page_clearing.sh <vestrel> <name:collection>..." >&2
    exit 1
fi
vestrel=$1
shift
case $vestrel in /*) ;; *) vestrel=$(pwd)/$vestrel ;; esac
runs=${RUNS:-5}

work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-clearing.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"

if ! command -v perf >/dev/null 2>&1 ||
    ! perf record -q -o probe.data -- true >/dev/null 2>&1; then
    echo "page clearing: skipped (perf is missing or may not sample here)"
    exit 0
fi

# The share, in percent, of the samples of perf.data in the kernel's page-clearing functions.
clearing_share() { # perf.data
    perf report -i "$1" --stdio --sort sym 2>/dev/null | awk '
        $1 ~ /%$/ && $3 ~ /^(clear_page|clear_huge_page|clear_subpage|folio_zero_user)/ {
            sub(/%$/, "", $1)
            total += $1
        }
        END { printf "%.1f", total }'
}

echo "kernel page clearing in the default run, $runs runs each (share of all samples):"
echo
echo "| collection | median | lowest | highest | goal |"
echo "|---|---|---|---|---|"
for shape in "$@"; do
    name=${shape%%:*}
    file=${shape#*:}
    case $file in /*) ;; *) file=$OLDPWD/$file ;; esac
    : >shares
    run=1
    while [ $run -le "$runs" ]; do
        rm -f Vestrel.log
        "$vestrel" "$file" >/dev/null 2>&1
        rm -f Vestrel.log
        perf record -q -F 20000 -o run.data -- "$vestrel" "$file" >/dev/null 2>&1
        clearing_share run.data >>shares
        echo >>shares
        run=$((run + 1))
    done
    sort -n shares | awk -v name="$name" '
        NF { v[++n] = $1 }
        END {
            m = v[int((n + 1) / 2)]
            printf "| %s | %.1f%% | %.1f%% | %.1f%% | < 5%%: %s |\n", name, m, v[1], v[n],
                m < 5 ? "met" : "MISSED"
        }'
done
