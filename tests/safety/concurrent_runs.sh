#!/bin/sh
# Runs that share one database at once. Four /u+ runs with different inputs start together on
# a database of 100,000 problems (by default), round after round; then /u+ starts against a running /u-.
# After each round every old line is still there, each run either reported success and its
# records are in the database or reported the database in use and none of them is, and no
# temporary file is left. First, a lock held by someone else is honoured by every rewrite.
#
#   concurrent_runs.sh <vestrel> [<rounds> [<database lines>]]
set -u
bin=$1
rounds=${2:-20}
lines=${3:-100000}
. "$(dirname "$0")/common.sh"

collection 0 "$lines" >base.epd
size=$(wc -c <base.epd)
for k in 1 2 3 4; do
    collection $((lines + k * 1000)) 1000 >in$k.epd
    # What the run writes on its own: its records, all of them new.
    mkdir ref$k && cp base.epd ref$k/Vandrelo.epd && cp in$k.epd ref$k/
    (cd ref$k && "$bin" in$k.epd /u+ >../ref$k.out 2>/dev/null) || fail "reference run $k"
    rm -rf ref$k
done

# A held lock: the run ends at once with the message, nothing changed, the lock file kept.
for args in "in1.epd /u+" "/u-" "/u:2"; do
    cp base.epd Vandrelo.epd
    printf 'an older backup\r\n' >Vandrelo.bak
    : >Vandrelo.epd.new
    flock Vandrelo.epd.new "$bin" $args >out 2>err
    status=$?
    [ $status -eq 1 ] || fail "$args under a held lock: exit $status"
    in_use_message Vandrelo | cmp -s - err || fail "$args under a held lock: message"
    [ -s out ] && fail "$args under a held lock: output written"
    cmp -s base.epd Vandrelo.epd || fail "$args under a held lock: database changed"
    printf 'an older backup\r\n' | cmp -s - Vandrelo.bak || fail "$args under a held lock: backup changed"
    [ -f Vandrelo.epd.new ] || fail "$args under a held lock: removed the lock holder's file"
    rm -f Vandrelo.epd.new Vandrelo.bak
done

# One lock for every name of the database: a link to it, a second hard link and the file the
# link leads to all meet the lock of a run through any other name.
cp base.epd Vandrelo.epd
ln -s Vandrelo.epd Link.epd
ln Vandrelo.epd Hard.epd
for stem in Link Hard; do
    for args in "in1.epd /u+$stem" "/u-$stem" "/u=$stem /u:2"; do
        # What a run through the name Vandrelo holds: its temporary file and the database.
        flock Vandrelo.epd.new flock Vandrelo.epd "$bin" $args >out 2>err
        status=$?
        [ $status -eq 1 ] || fail "$args beside a run: exit $status"
        in_use_message "$stem" | cmp -s - err || fail "$args beside a run: $(cat err)"
        cmp -s base.epd Vandrelo.epd || fail "$args beside a run: database changed"
        [ -L Link.epd ] && [ Hard.epd -ef Vandrelo.epd ] || fail "$args beside a run: names split"
    done
done
rm -f Link.epd Hard.epd Vandrelo.epd.new

round=1
while [ $round -le "$rounds" ]; do
    cp base.epd Vandrelo.epd
    rm -f Vandrelo.bak
    for k in 1 2 3 4; do
        "$bin" in$k.epd /u+ >out$k 2>err$k &
        eval "pid$k=\$!"
    done
    : >appended
    successes=0
    for k in 1 2 3 4; do
        eval "wait \$pid$k"
        status=$?
        if [ $status -eq 0 ]; then
            cmp -s out$k ref$k.out || fail "round $round: run $k reported success with other output"
            cat out$k >>appended
            successes=$((successes + 1))
        elif [ $status -eq 1 ]; then
            in_use_message Vandrelo | cmp -s - err$k || fail "round $round: run $k: $(cat err$k)"
            [ -s out$k ] && fail "round $round: run $k failed but wrote output"
        else
            fail "round $round: run $k ended with status $status"
        fi
    done
    [ $successes -ge 1 ] || fail "round $round: no run succeeded"
    # The old lines first, then exactly the records of the runs that succeeded.
    head -c "$size" Vandrelo.epd | cmp -s - base.epd || fail "round $round: old lines lost"
    tail -c +$((size + 1)) Vandrelo.epd | sort >got
    sort appended | cmp -s - got || fail "round $round: appended records differ from the successful runs'"
    # The backup is the database as the last successful run found it.
    if [ -f Vandrelo.bak ]; then
        bak=$(wc -c <Vandrelo.bak)
        [ "$bak" -ge "$size" ] && cmp -s -n "$bak" Vandrelo.bak Vandrelo.epd ||
            fail "round $round: the backup is no earlier state of the database"
    else
        fail "round $round: no backup"
    fi
    no_temporaries "round $round"
    round=$((round + 1))
done

# /u+ against a running /u-: the same problems in the end, whatever got the lock first.
round=1
while [ $round -le $(((rounds + 3) / 4)) ]; do
    cp base.epd Vandrelo.epd
    "$bin" /u- >/dev/null 2>sort.err &
    sorter=$!
    sleep "0.0$(random_below $round 10)"
    "$bin" in1.epd /u+ >out1 2>err1
    update=$?
    wait $sorter
    sorted=$?
    cp base.epd expected
    case $update in
        0) cmp -s out1 ref1.out && cat out1 >>expected || fail "/u+ beside /u-: other output" ;;
        1) in_use_message Vandrelo | cmp -s - err1 || fail "/u+ beside /u-: $(cat err1)" ;;
        *) fail "/u+ beside /u-: status $update" ;;
    esac
    case $sorted in
        0) ;;
        1) tail -c 60 sort.err | grep -q 'is in use by another run' || fail "/u- beside /u+: $(cat sort.err)" ;;
        *) fail "/u- beside /u+: status $sorted" ;;
    esac
    problems expected >want
    problems Vandrelo.epd | cmp -s - want || fail "/u+ beside /u-: problems lost or doubled"
    no_temporaries "/u+ beside /u-"
    round=$((round + 1))
done

[ $failures -eq 0 ] || exit 1
echo "ok: $rounds rounds of four /u+ runs, $(((rounds + 3) / 4)) of /u+ beside /u-"
