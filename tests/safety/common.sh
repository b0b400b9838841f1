# Sourced by the safety tests: a scratch folder removed at the end, a generator of problem
# collections and the checks every test makes. Expects bin (the built program).
LC_ALL=C
export LC_ALL

# A memory-backed folder when there is one: the tests are about kills, not power cuts.
base=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/vestrel-safety.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work" || exit 2

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# collection <first> <count>: problem lines with distinct positions numbered first, first+1, ...
collection() {
    awk -v first="$1" -v count="$2" 'BEGIN {
        split("8 p7 1p6 2p5 3p4 4p3 5p2 6p1 7p", rank, " ")
        for (i = first; i < first + count; i++) {
            n = i
            placement = "k7"
            for (r = 0; r < 6; r++) {
                placement = placement "/" rank[n % 9 + 1]
                n = int(n / 9)
            }
            printf "%s/7K w - - bm #%d; %02d:%02d; %02d:%02d @\r\n", placement, i % 7 + 2,
                i % 60, (i * 7) % 60, i % 13, (i * 11) % 60
        }
    }'
}

# The problem lines of a file (no comments, no empty lines), sorted: the same multiset of
# problems gives the same text.
problems() {
    tr -d '\r' <"$1" | grep -v '^%' | grep -v '^$' | sort
}

# No temporary file of a rewrite is left in the folder.
no_temporaries() {
    for left in *.new *.epn *.bkn *.cpy *.bkc; do
        [ -e "$left" ] && fail "$1: temporary file $left left behind"
    done
    return 0
}

# A pseudo-random number in [0, limit) from a seed, so a failing moment can be replayed.
random_below() {
    awk -v seed="$1" -v limit="$2" 'BEGIN { srand(seed); printf "%d", rand() * limit }'
}

# The exact message of a run that found the database locked.
in_use_message() {
    printf '\nERROR: Database "%s.epd" is in use by another run !\a\r\n' "$1"
}
