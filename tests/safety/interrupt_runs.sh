#!/bin/sh
# Interrupts rewrites of the database while they run. The run ends by the signal (status 130
# after SIGINT, Ctrl-C; 143 after SIGTERM; 129 after SIGHUP; 135 after SIGBUS, which a mapped
# input shortened by another program raises), removes its temporary file and
# leaves the database and its backup as they were, and the next run goes ahead.
#
# On POSIX the /u+ run reads its input from a named pipe that stays silent, so it is caught
# with the database prepared and the temporary file open, every time. With a launcher
# (wine vestrel.exe) the signal is the console's Ctrl-C, sent while /u- reads a large
# database; the status is then any but 0.
#
#   interrupt_runs.sh <vestrel> [<launcher>]
set -u
bin=$1
launcher=${2:-}
. "$(dirname "$0")/common.sh"

collection 0 20000 >base.epd
collection 20000 100 >in.epd
printf 'an older backup\r\n' >base.bak

reset() {
    cp base.epd Vandrelo.epd
    cp base.bak Vandrelo.bak
    rm -f ./*.new
}

# after <what> <status> <expected status or "any">: the files after an interrupted run.
after() {
    case $3 in
        any) [ "$2" -ne 0 ] || fail "$1: exit status 0" ;;
        *) [ "$2" -eq "$3" ] || fail "$1: exit status $2, expected $3" ;;
    esac
    cmp -s Vandrelo.epd base.epd || fail "$1: the database changed"
    cmp -s Vandrelo.bak base.bak || fail "$1: the backup changed"
    no_temporaries "$1"
    $launcher "$bin" /u- >/dev/null 2>next.err || fail "$1: the next run failed: $(cat next.err)"
}

# A job started with "&" by a shell without job control ignores SIGINT, and a program keeps
# a signal ignored that it was given ignored: the runs get the default action back.
defaults=""
env --default-signal=INT true 2>/dev/null && defaults="env --default-signal=INT"

if [ -z "$launcher" ]; then
    [ -n "$defaults" ] || echo "env --default-signal is missing: SIGINT is left out"
    mkfifo pipe.epd || exit 2
    for signal in INT:130 TERM:143 HUP:129 BUS:135; do
        name=${signal%:*}
        [ "$name" = INT ] && [ -z "$defaults" ] && continue
        reset
        # The writer keeps the pipe open without a byte, so the run waits for its input.
        sleep 30 >pipe.epd &
        writer=$!
        $defaults "$bin" pipe.epd /u+ >out 2>err &
        pid=$!
        i=0
        while [ ! -e Vandrelo.epd.new ] && [ $i -lt 500 ]; do
            sleep 0.01
            i=$((i + 1))
        done
        [ -e Vandrelo.epd.new ] || fail "SIG$name: the run never started its rewrite"
        kill -"$name" $pid
        wait $pid 2>/dev/null
        status=$?
        kill $writer 2>/dev/null
        wait $writer 2>/dev/null
        after "SIG$name during /u+" $status "${signal#*:}"
    done
    [ $failures -eq 0 ] || exit 1
    echo "ok: SIGINT, SIGTERM, SIGHUP and SIGBUS during /u+ leave the database and no temporary file"
    exit 0
fi

# Under the launcher: a database large enough that reading it takes a while.
collection 0 300000 >base.epd
rounds=0
caught=0
while [ $rounds -lt 5 ] && [ $caught -lt 2 ]; do
    rounds=$((rounds + 1))
    reset
    $defaults $launcher "$bin" /u- >out 2>err &
    pid=$!
    i=0
    while [ ! -e Vandrelo.epd.new ] && [ $i -lt 3000 ]; do
        sleep 0.01
        i=$((i + 1))
    done
    kill -INT $pid
    wait $pid 2>/dev/null
    status=$?
    if cmp -s Vandrelo.epd base.epd; then
        after "Ctrl-C during /u-" $status any
        caught=$((caught + 1))
    fi
done
[ $caught -ge 1 ] || fail "no Ctrl-C came while /u- was running"
[ $failures -eq 0 ] || exit 1
echo "ok: Ctrl-C during /u- leaves the database and no temporary file ($caught of $rounds caught)"
