#!/bin/sh
# Verifies a mixed collection with one thread, with three and with one per core, and fails
# unless standard output, standard error (elapsed seconds masked) and Vestrel.log are the same
# bytes in every run.
#
#   thread_identity.sh <vestrel> <source dir>
set -u
bin=$1
src=$2
case $bin in /*) ;; *) bin=$(pwd)/$bin ;; esac
tmp=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-threads.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT
cp "$src/tests/verify/mixed.epd" "$tmp/"
cd "$tmp" || exit 1
failed=0
for threads in 1 3 default; do
    arg=--threads=$threads
    [ "$threads" = default ] && arg=--verify
    "$bin" mixed.epd --verify "$arg" >"out-$threads" 2>"err-raw-$threads" || failed=1
    sed 's/([0-9][0-9]*\.[0-9][0-9] sec)/(T sec)/' "err-raw-$threads" >"err-$threads"
    mv Vestrel.log "log-$threads"
done
for threads in 3 default; do
    for kind in out err log; do
        if ! cmp -s "$kind-1" "$kind-$threads"; then
            echo "FAIL: $kind of --threads=$threads differs from --threads=1"
            diff "$kind-1" "$kind-$threads" | head -n 10
            failed=1
        fi
    done
done
if ! grep -q '^Stipulations: [0-9]* sound, [0-9]* cooked, [0-9]* short, [0-9]* unsound' err-1 ||
    [ "$(wc -l <log-1)" -lt 100 ]; then
    echo "FAIL: the run verified too little to compare"
    failed=1
fi
[ "$failed" -eq 0 ] && echo "one thread, three and one per core write the same bytes"
exit "$failed"
