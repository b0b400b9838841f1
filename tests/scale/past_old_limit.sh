#!/bin/sh
# Runs past 999,999 keys and lines, where the seen set, the database preload and the sort once
# stopped: a record run whose late repeats and mirror images point back past that mark, /u=
# and /u+ against a database of more lines than that, and /u- of it. With run_limited, also a
# /u+ whose new database passes a file-size limit after its first 32 MiB, where its blocks go
# to the disk as direct writes: the run fails and the database stays as it was.
#
#   past_old_limit.sh <vestrel> [<run_limited>]
set -u
bin=$1
limited=${2:-}
LC_ALL=C
export LC_ALL
work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-scale.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work" || exit 2

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

keys=1000010
# Position n of a family with no two members equal or mirror images of each other: four ranks
# spell n in base 33 (a white piece on one of 8 squares, or an empty rank), beside a fixed
# frame of kings and a pawn that keeps every image out of the family.
awk_family='
function rankText(v,   f, t) {
    if (v == 32) return "8"
    f = v % 8
    t = (f > 0 ? f : "") substr("QRBN", int(v / 8) + 1, 1)
    return t (7 - f > 0 ? 7 - f : "")
}
function placement(n,   p, r) {
    p = "7k"
    for (r = 0; r < 4; r++) {
        p = p "/" rankText(n % 33)
        n = int(n / 33)
    }
    return p "/8/P7/K7"
}
function reversed(s,   t, i) {
    t = ""
    for (i = length(s); i > 0; i--) t = t substr(s, i, 1)
    return t
}
function leftRight(p,   parts, n, i, t) {
    n = split(p, parts, "/")
    t = reversed(parts[1])
    for (i = 2; i <= n; i++) t = t "/" reversed(parts[i])
    return t
}'

# The collection: every member once, then repeats and mirror images of members stored early
# and late; the log lines those late records must get.
awk -v keys=$keys "$awk_family"'
BEGIN {
    for (n = 0; n < keys; n++) printf "%s w - - bm #1;\r\n", placement(n)
    printf "%s w - - bm #3;\r\n", placement(1000005)
    printf "%s w - - bm #2; id \"early\";\r\n", placement(3)
    printf "%s w - - bm #1;\r\n", leftRight(placement(1000008))
    printf "%s w - - bm #1;\r\n", leftRight(placement(12))
    printf "%s w - - bm #1;\r\n", placement(1000009)
    printf "%s b - - bm #1;\r\n", placement(1000009)
}' >big.epd
awk "$awk_family"'
BEGIN {
    printf "%s w - - id \"duplicate\";\r\n", placement(1000005)
    printf "%s w - - id \"duplicate\";\r\n", placement(3)
    printf "%s w - - id \"mirror-x\";\r\n", leftRight(placement(1000008))
    printf "%s w - - id \"mirror-x\";\r\n", leftRight(placement(12))
    printf "%s w - - id \"duplicate\";\r\n", placement(1000009)
}' >expected.log

"$bin" big.epd /xy >out.epd 2>err.txt
tr -d '\r' <err.txt | grep -q "^1000011 EPD-lines  \[ duplicate=5 \]  (" ||
    fail "record run: report $(tr -d '\r' <err.txt | tail -n 1)"
cmp -s Vestrel.log expected.log || { fail "record run: log differs"; diff Vestrel.log expected.log | head; }
[ "$(wc -l <out.epd)" -eq 1000011 ] || fail "record run: $(wc -l <out.epd) output lines"

# A database of more lines than 999,999, and an input with two of its last lines and two new
# positions.
awk -v keys=$keys "$awk_family"'
BEGIN {
    printf "%% Vandrelo problem database\r\n"
    for (n = 0; n < keys; n++) printf "%s w - - bm #%d; 00:%02d;\r\n", placement(n), n % 5 + 1, n % 60
}' >database.epd
awk "$awk_family"'
BEGIN {
    printf "%s w - - bm #2;\r\n", placement(1000007)
    printf "%s b - - bm #1;\r\n", placement(1000001)
    printf "%s w - - bm h#2;\r\n", placement(999999)
    printf "%s w - - bm #4; id \"last\";\r\n", placement(1000009)
}' >in.epd
cp database.epd Vandrelo.epd
"$bin" in.epd /u= >out.epd 2>err.txt
tr -d '\r' <err.txt | grep -q '^2 EPD-lines missing in "Vandrelo.epd"  (' ||
    fail "/u=: report $(tr -d '\r' <err.txt | tail -n 1)"
"$bin" in.epd /u+ >out.epd 2>err.txt
tr -d '\r' <err.txt | grep -q '^2 EPD-lines updated to "Vandrelo.epd"  (' ||
    fail "/u+: report $(tr -d '\r' <err.txt | tail -n 1)"
{ cat database.epd; sed -n '2,3p' in.epd; } >expected.epd
cmp -s Vandrelo.epd expected.epd || fail "/u+: database differs"
cmp -s Vandrelo.bak database.epd || fail "/u+: backup differs"

# One more new position, with files allowed 40,000,000 bytes: writing the new database, 45 MB,
# fails late, and neither the database nor its backup changes.
if [ -n "$limited" ]; then
    awk "$awk_family"'BEGIN { printf "%s b - - bm #1;\r\n", placement(1000003) }' >more.epd
    "$limited" 40000000 "$bin" more.epd /u+ >out.epd 2>err.txt
    status=$?
    [ "$status" -eq 1 ] || fail "/u+ past the size limit: exit status $status"
    tr -d '\r' <err.txt | grep -q '^ERROR: Database "Vandrelo.epd" could not be written !' ||
        fail "/u+ past the size limit: $(tr -d '\r' <err.txt | tail -n 1)"
    cmp -s Vandrelo.epd expected.epd || fail "/u+ past the size limit: database changed"
    cmp -s Vandrelo.bak database.epd || fail "/u+ past the size limit: backup changed"
    for left in *.new *.epn *.bkn *.cpy *.bkc; do
        [ -e "$left" ] && fail "/u+ past the size limit: $left left behind"
    done
fi

# /u- of the updated database: every problem line kept, in sorted order.
"$bin" /u- >out.epd 2>err.txt
tr -d '\r' <err.txt | grep -q '^1000012 EPD-lines sorted in "Vandrelo.epd"  (' ||
    fail "/u-: report $(tr -d '\r' <err.txt | tail -n 1)"
tr -d '\r' <Vandrelo.epd | grep -v '^%' | grep -v '^$' >after.txt
tr -d '\r' <expected.epd | grep -v '^%' | sort >expected.txt
sort after.txt | cmp -s - expected.txt || fail "/u-: problem lines differ"
first=$(head -n 1 after.txt)
case $first in *" bm #1; 00:"*) ;; *) fail "/u-: first problem line $first" ;; esac

[ "$failures" -eq 0 ] && echo "past the old limit: record run, /u=, /u+ and /u- right"
exit $((failures != 0))
