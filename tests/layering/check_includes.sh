#!/bin/sh
# Fails when a source file includes a header from a folder above its own. The folders form
# layers: app on top; input, filter, database, report and solver below it; then position; text and base
# at the bottom. Filter may use input's record types; nothing else looks sideways or up.
#
#   check_includes.sh <source root>
set -u
src=${1:-src}

allowed() {
    case $1 in
        app) echo "app input filter database report solver position text base" ;;
        filter) echo "filter input position text base" ;;
        input) echo "input position text base" ;;
        database) echo "database position text base" ;;
        report) echo "report position text base" ;;
        solver) echo "solver position text base" ;;
        position) echo "position text base" ;;
        base) echo "base text" ;;
        text) echo "text" ;;
        *) echo "" ;;
    esac
}

failed=0
for file in $(find "$src" -name '*.h' -o -name '*.cpp' | sort); do
    folder=${file#"$src"/}
    folder=${folder%%/*}
    ok=$(allowed "$folder")
    if [ -z "$ok" ]; then
        echo "$file: folder $folder is not a known layer"
        failed=1
        continue
    fi
    for target in $(sed -n 's/^#include "\([a-z_]*\)\/.*/\1/p' "$file"); do
        case " $ok " in
            *" $target "*) ;;
            *)
                echo "$file includes from $target/, which is not below $folder/"
                failed=1
                ;;
        esac
    done
done
[ "$failed" -eq 0 ] && echo "includes point down"
exit "$failed"
