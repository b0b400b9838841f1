#!/bin/sh
# Every name ending that a database rewrite gives its files (the literals of rewrite.cpp) is
# named in README.md and in the manual page, so that a user who finds such a file can look
# it up.
#
#   check_files_named.sh <source dir>
set -u
src=$1
failed=0
endings=$(grep -o '"\.[a-z][a-z.]*"' "$src/src/database/rewrite.cpp" | tr -d '"' | sort -u)
[ -n "$endings" ] || { echo "FAIL: no file name endings found in rewrite.cpp"; exit 1; }
for ending in $endings; do
    # A name such as Vandrelo.bak.new ends in .new: any endings before it, then this one.
    pattern="Vandrelo(\.[a-z]+)*$(printf '%s' "$ending" | sed 's/\./\\./g')([^a-z.]|\$)"
    for doc in README.md doc/vestrel.1; do
        grep -qE "$pattern" "$src/$doc" || { echo "FAIL: $doc names no Vandrelo...$ending"; failed=1; }
    done
done
[ $failed -eq 0 ] && echo "README.md and vestrel.1 name every file of a rewrite:" $endings
exit $failed
