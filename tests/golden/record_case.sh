#!/bin/sh
# Records the expectations of a new golden case from a run of the built binary:
#
#   record_case.sh <vestrel> <case-dir> [<run_limited> [<no_link.so>]]
#
# Writes expect/exit, expect/stdout, expect/stderr (elapsed seconds masked) and every file
# left in the working directory, replacing an earlier recording (expect/absent stays). Read every recorded byte before committing a case: the
# recording only saves typing, it is not a judgement of what is right.
set -u
bin=$1
case_dir=$2
limited=${3:-}
no_link=${4:-}
. "$(dirname "$0")/case_env.sh"

# A new recording replaces the old one; only the list of files that must be absent stays.
mkdir -p "$case_dir/expect"
for old in "$case_dir"/expect/*; do
    case ${old##*/} in absent) ;; *) rm -f "$old" ;; esac
done
echo "$status" >"$case_dir/expect/exit"
[ -f "$case_dir/stdout-to" ] || [ -f "$case_dir/stdout-append" ] ||
    cp "$work/out/stdout" "$case_dir/expect/stdout"
cp "$work/out/stderr" "$case_dir/expect/stderr"
for f in "$work"/run/*; do
    [ -f "$f" ] && cp "$f" "$case_dir/expect/"
done
exit 0
