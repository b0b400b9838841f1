#!/bin/sh
# Runs one golden case: the built binary in a fresh temporary directory, then a byte-for-byte
# comparison of stdout, stderr (elapsed seconds masked), exit status and the files left behind.
#
#   run_case.sh <vestrel> <case-dir> [<run_limited> [<no_link.so>]]
#
# A case directory holds:
#   args          one argument per line (no file: no arguments at all); @WORK@ in a line
#                 stands for the absolute path of the working directory
#   in/           files copied into the working directory before the run
#   setup         optional: a shell script run in the working directory before the run,
#                 for inputs too large to keep as files, links and odd files
#   limit         optional: a file-size limit in bytes for the run, or as=<bytes> for an
#                 address-space limit (needs run_limited; skipped under the sanitizers, whose
#                 shadow memory needs more address space than any such limit leaves)
#   no-links      optional: the run sees a file system without hard links (needs no_link.so)
#   unprivileged  optional: when run as root, the run is made as the user nobody
#   foreign       optional, with unprivileged: names that stay owned by root, in a working
#                 directory with the sticky bit (a shared folder, another user's leftovers)
#   close-fds     optional: descriptors (0, 1, 2) closed for the run
#   stdout-to     optional: a path that replaces the captured stdout (e.g. /dev/full)
#   stdout-append optional: a file in the working directory that stdout is appended to (>>)
#   stdout-broken-pipe optional: stdout is a pipe whose reader has gone (... | head)
#   stdin         optional: a file in the working directory piped into standard input; without
#                 it standard input is /dev/null
#   expect/exit   the exit status
#   expect/stdout, expect/stderr
#   expect/absent optional: names of files that must not exist afterwards
#   expect/<name> any other file: must exist afterwards with exactly these bytes
#   posix-only    optional: the case injects a fault only POSIX can (like limit and stdout-to);
#                 the Windows build leaves it out. One line saying why.
#   windows-only  optional: the case shows what only Windows does; the POSIX build leaves it out.
#
# VESTREL_LAUNCHER in the environment is put before the binary (e.g. "wine" for vestrel.exe).
set -u
bin=$1
case_dir=$2
limited=${3:-}
no_link=${4:-}
if [ "${VESTREL_SANITIZED:-0}" = 1 ] && grep -q '^as=' "$case_dir/limit" 2>/dev/null; then
    echo "skipped: an address-space limit leaves no room for the sanitizers"
    exit 77
fi
if [ -f "$case_dir/foreign" ] && [ "$(id -u)" -ne 0 ]; then
    echo "skipped: files of another user need root to make"
    exit 77
fi
. "$(dirname "$0")/case_env.sh"

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
show() {
    echo "--- expected ($1)"
    od -c "$2" | head -n 40
    echo "--- actual"
    od -c "$3" | head -n 40
}

expected_exit=$(cat "$case_dir/expect/exit" 2>/dev/null || echo 0)
[ "$status" -eq "$expected_exit" ] || fail "exit status $status, expected $expected_exit"

for name in stdout stderr; do
    if [ -f "$case_dir/expect/$name" ]; then
        if [ "$name" = stdout ] && { [ -f "$case_dir/stdout-to" ] || [ -f "$case_dir/stdout-append" ] ||
            [ -f "$case_dir/stdout-broken-pipe" ]; }; then
            continue
        fi
        cmp -s "$case_dir/expect/$name" "$work/out/$name" ||
            { fail "$name differs"; show "$name" "$case_dir/expect/$name" "$work/out/$name"; }
    fi
done

if [ -f "$case_dir/expect/absent" ]; then
    while IFS= read -r name || [ -n "$name" ]; do
        [ -z "$name" ] && continue
        [ -e "$work/run/$name" ] && fail "$name exists, should not"
    done <"$case_dir/expect/absent"
fi

# A rewrite never leaves its temporary files behind (short names for very long stems).
# Another user's leftover (foreign) is not this run's.
for left in "$work"/run/*.new "$work"/run/*.epn "$work"/run/*.bkn "$work"/run/*.cpy "$work"/run/*.bkc; do
    [ -f "$left" ] || continue
    grep -qx "${left##*/}" "$case_dir/foreign" 2>/dev/null || fail "temporary file ${left##*/} left behind"
done

for expected in "$case_dir"/expect/*; do
    name=${expected##*/}
    case $name in exit | stdout | stderr | absent) continue ;; esac
    if [ ! -f "$work/run/$name" ]; then
        fail "$name missing"
    elif ! cmp -s "$expected" "$work/run/$name"; then
        fail "$name differs"
        show "$name" "$expected" "$work/run/$name"
    fi
done

exit $failed
