#!/bin/sh
# Kills rewrites of a database of 200,000 problems (by default): /u+, /u- and /u:2, each at
# random moments with SIGKILL, and once more on a file system without hard links just before
# each rename of the commit. After every kill the database holds exactly its old or its new
# bytes, the backup is the previous backup or the old database (the old database once the new
# one is in place, or waiting under its temporary name), never the database itself, and the
# next run succeeds and leaves no temporary file.
#
#   kill_runs.sh <vestrel> <no_link.so> [<kills per mode> [<database lines>]]
set -u
bin=$1
no_link=$2
kills=${3:-30}
lines=${4:-200000}
. "$(dirname "$0")/common.sh"

collection 0 "$lines" >base.epd
collection "$lines" 1000 >in.epd
printf 'an older backup\r\n' >base.bak

reset() {
    cp base.epd Vandrelo.epd
    cp base.bak Vandrelo.bak
    rm -f ./*.new
}

# check <what>: the files after a killed run, then the next run.
check() {
    state=""
    cmp -s Vandrelo.epd base.epd && state=old
    cmp -s Vandrelo.epd new.epd && state=new
    case $state in
        old) cmp -s Vandrelo.bak base.bak || cmp -s Vandrelo.bak base.epd ||
            fail "$1: the backup is neither the old backup nor the old database" ;;
        # Killed just before the backup took its name: the old database waits under the
        # temporary name, and the next rewrite makes it the backup.
        new) cmp -s Vandrelo.bak base.epd ||
            { cmp -s Vandrelo.bak base.bak && cmp -s Vandrelo.bak.new base.epd; } ||
            fail "$1: new database, but the backup is neither the old one nor waiting" ;;
        *) fail "$1: the database is neither old nor new" ;;
    esac
    # Never one file under both names, where editing one would change the other.
    [ Vandrelo.bak -ef Vandrelo.epd ] && fail "$1: the backup is the database itself"
    "$bin" $args >/dev/null 2>next.err || fail "$1: the next run failed: $(cat next.err)"
    [ "$state" = old ] && ! cmp -s Vandrelo.epd new.epd && fail "$1: the next run gave another database"
    no_temporaries "$1, after the next run"
}

now_ms() {
    echo $(($(date +%s%N) / 1000000))
}

for args in "in.epd /u+" "/u-" "/u:2"; do
    # The undisturbed run gives the new database and the span to kill in.
    reset
    start=$(now_ms)
    "$bin" $args >/dev/null 2>&1 || fail "$args: undisturbed run failed"
    span=$(($(now_ms) - start + 10))
    cp Vandrelo.epd new.epd
    i=1
    while [ $i -le "$kills" ]; do
        reset
        delay=$(random_below "$i$span" "$span")
        "$bin" $args >/dev/null 2>&1 &
        pid=$!
        sleep "$(awk -v ms="$delay" 'BEGIN { printf "%.3f", ms / 1000 }')"
        kill -KILL $pid 2>/dev/null
        wait $pid 2>/dev/null
        check "$args killed after $delay ms"
        i=$((i + 1))
    done
    # No hard links: the backup is a copy; a kill before each rename of the commit (the copy
    # taking its name, the new database, the backup).
    for at in 1 2 3; do
        reset
        VESTREL_KILL_AT_RENAME=$at LD_PRELOAD=$no_link \
            ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 \
            "$bin" $args >/dev/null 2>&1
        check "$args without links, killed at rename $at"
    done
    rm -f new.epd
done

[ $failures -eq 0 ] || exit 1
echo "ok: $kills kills per mode, and kills at each rename without links"
