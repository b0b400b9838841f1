#!/bin/sh
# Records the expectations of a new golden case from a run of the built binary:
#
#   record_case.sh <vestrel> <case-dir> [<run_limited>]
#
# Writes expect/exit, expect/stdout, expect/stderr (elapsed seconds masked) and every file
# left in the working directory. Read every recorded byte before committing a case: the
# recording only saves typing, it is not a judgement of what is right.
set -u
LC_ALL=C
export LC_ALL
bin=$1
case_dir=$2
limited=${3:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-record.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT INT TERM
mkdir "$work/run"
if [ -d "$case_dir/in" ]; then
    cp -R "$case_dir/in/." "$work/run/" || exit 2
    find "$work/run" -name .keep -exec rm -f {} +
fi
if [ -f "$case_dir/setup" ]; then
    (cd "$work/run" && sh "$case_dir/setup") || exit 2
fi
set --
if [ -f "$case_dir/args" ]; then
    while IFS= read -r arg || [ -n "$arg" ]; do
        set -- "$@" "$arg"
    done <"$case_dir/args"
fi
runner=""
[ -f "$case_dir/limit" ] && runner="$limited $(cat "$case_dir/limit")"
stdout_target="$work/stdout"
[ -f "$case_dir/stdout-to" ] && stdout_target=$(cat "$case_dir/stdout-to")

(cd "$work/run" && exec $runner "$bin" "$@") </dev/null >"$stdout_target" 2>"$work/stderr.raw"
status=$?

mkdir -p "$case_dir/expect"
echo "$status" >"$case_dir/expect/exit"
[ -f "$case_dir/stdout-to" ] || cp "$work/stdout" "$case_dir/expect/stdout"
sed 's/([0-9][0-9]*\.[0-9][0-9] sec)/(T sec)/g' "$work/stderr.raw" >"$case_dir/expect/stderr"
for f in "$work"/run/*; do
    [ -f "$f" ] && cp "$f" "$case_dir/expect/"
done
exit 0
