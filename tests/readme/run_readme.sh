#!/bin/sh
# Runs every example of README.md and fails when an output differs from the one shown there.
#
#   run_readme.sh <vestrel> <source dir>
#
# An example is a fenced block opened by ```console. In it each line that begins with "$ " is a
# command, run by sh; the lines up to the next command or the end of the block are its expected
# output, standard output and standard error together, then "[n]" when the exit status n is not
# 0 (as in cram tests). Each block runs in a fresh directory that holds a copy of examples/,
# with vestrel on the PATH. Output is compared as a terminal shows it: a CR LF line end is a
# plain line end, a CR inside a line (the /0 counter) goes back to the start of the line, other
# control characters and bytes above 127 are written as `cat -v` does (the bell as ^G, the byte
# 0xF1 of the usage text as M-q), blanks at the end of a line are left out (in the README as
# well), and the elapsed seconds of a report read "(0.00 sec)".
# Every option of the usage text must appear in at least one command.
set -u
bin=$1
src=$2
readme=$src/README.md

case $bin in
/*) ;;
*) bin=$(pwd)/$bin ;;
esac
tmp=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-readme.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/bin" "$tmp/blocks"
ln -s "$bin" "$tmp/bin/vestrel"

# Cuts README.md into blocks/<b>/<c>.cmd (the command) and blocks/<b>/<c>.expect (its output).
awk -v dir="$tmp/blocks" '
    /^```console[ \t]*$/ { block++; cmd = 0; inside = 1; system("mkdir " dir "/" block); next }
    inside && /^```/ { inside = 0; next }
    !inside { next }
    /^\$ / {
        cmd++
        base = sprintf("%s/%d/%03d", dir, block, cmd)
        printf "%s\n", substr($0, 3) > (base ".cmd")
        printf "" > (base ".expect")
        close(base ".cmd")
        next
    }
    cmd { sub(/[ \t]+$/, ""); printf "%s\n", $0 >> (base ".expect") }
' "$readme"

# Shows the bytes of a run as a terminal would (see above).
render() {
    LC_ALL=C awk '{ sub(/\r$/, ""); sub(/.*\r/, ""); sub(/[ \t]+$/, ""); print }' |
        LC_ALL=C cat -v |
        sed 's/([0-9][0-9]*\.[0-9][0-9] sec)/(0.00 sec)/'
}

failed=0
commands=0
for block in $(ls "$tmp/blocks" | sort -n); do
    work=$tmp/work-$block
    mkdir "$work"
    cp "$src"/examples/* "$work"/
    for cmd in "$tmp/blocks/$block"/*.cmd; do
        [ -f "$cmd" ] || continue
        commands=$((commands + 1))
        expect=${cmd%.cmd}.expect
        status=0
        (cd "$work" && PATH="$tmp/bin:$PATH" sh "$cmd") >"$tmp/raw" 2>&1 </dev/null || status=$?
        {
            render <"$tmp/raw"
            [ "$status" -eq 0 ] || echo "[$status]"
        } >"$tmp/actual"
        if ! cmp -s "$expect" "$tmp/actual"; then
            failed=1
            echo "FAIL: \$ $(cat "$cmd")"
            diff -u "$expect" "$tmp/actual" | sed '1,2d'
        fi
    done
done

if [ "$commands" -eq 0 ]; then
    echo "FAIL: no \`\`\`console examples in $readme"
    exit 1
fi

# Every option of the usage text, looked for in the commands.
cat "$tmp"/blocks/*/*.cmd >"$tmp/all-commands"
for option in '/f' '/F' '/s' '/S' '/r' '/R' '/p' '/m' '/c' '/#' '/a' '/d' '/u' '/u=' '/u+' \
    '/u-' '/u:' '/h' '/0' '/1' '/2' '/xy' '/hc' '/t' '/@' '/q'; do
    case $option in
    /u) found=$(grep -E " /u( |$)" "$tmp/all-commands") ;;
    /h) found=$(grep -E " '?/h([+-]| |$)" "$tmp/all-commands") ;;
    *) found=$(grep -F -e " $option" -e " '$option" "$tmp/all-commands") ;;
    esac
    if [ -z "$found" ]; then
        echo "FAIL: no README example uses the option $option"
        failed=1
    fi
done

[ "$failed" -eq 0 ] && echo "$commands README commands give the output shown"
exit "$failed"
