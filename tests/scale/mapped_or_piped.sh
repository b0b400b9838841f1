#!/bin/sh
# A file large enough to be read mapped is read ahead on a second thread in the runs that read
# each placement as a board (/xy, /p, --legal), and the keys of its lines are kept where they
# are in the mapping rather than copied; through a pipe the same bytes are read on the main
# thread alone and every key is copied. Both must give the same output, log and database, byte
# for byte, on a collection of every kind of line: legal and illegal positions, duplicates and
# mirror images near and far, castling rights and e.p. squares, lines that are no record of
# their own (extra spaces, missing fields, comments, CR LF), placements that are no board.
# Read twice in one run, as two files (the second a line longer at its start, so that no key
# stands where it stood), the second reading repeats every key of the first: kept in the first
# file's mapping after that file was closed (a pipe follows), or copied in when the second file
# is mapped.
# With a launcher (wine vestrel.exe), the Windows build's mapped reading is the one compared.
#
#   mapped_or_piped.sh <vestrel> [<launcher>]
set -u
bin=$1
launcher=${2:-}
. "$(dirname "$0")/../safety/common.sh"

# About 120,000 lines (over 6 MB, so the file is read mapped).
awk 'BEGIN {
    srand(7)
    split("K Q R B N P k q r b n p", letter, " ")
    for (i = 0; i < 120000; i++) {
        # A board of 2 to 9 men on random squares, kings mostly there, pawns anywhere.
        for (s = 0; s < 64; s++) board[s] = ""
        board[int(rand() * 64)] = "K"
        if (rand() < 0.97) board[int(rand() * 64)] = "k"
        men = 1 + int(rand() * 7)
        for (m = 0; m < men; m++) board[int(rand() * 64)] = letter[1 + int(rand() * 12)]
        placement = ""
        for (r = 0; r < 8; r++) {
            run = 0
            for (f = 0; f < 8; f++) {
                c = board[r * 8 + f]
                if (c == "") { run++; continue }
                if (run > 0) placement = placement run
                placement = placement c
                run = 0
            }
            if (run > 0) placement = placement run
            if (r < 7) placement = placement "/"
        }
        side = rand() < 0.8 ? "w" : "b"
        castling = rand() < 0.9 ? "-" : "KQkq"
        ep = rand() < 0.95 ? "-" : "e3"
        fields = placement " " side " " castling " " ep
        kind = rand()
        if (kind < 0.55) line = fields " bm #" (2 + int(rand() * 3)) "; id \"p" i "\";"
        else if (kind < 0.65) line = fields " id \"no solution " i "\";"
        else if (kind < 0.70) line = fields
        else if (kind < 0.74) line = fields "  bm #2;"
        else if (kind < 0.76) line = " " fields " bm #2;"
        else if (kind < 0.78) line = placement " " side
        else if (kind < 0.79) line = "% a comment " i
        else if (kind < 0.80) line = ""
        else if (kind < 0.81) line = placement "1 " side " - - bm #2;"
        else if (kind < 0.90 && i > 0) line = kept[int(rand() * i)]
        else if (i > 0) {
            # The left-right image of a line kept before: ranks written backwards.
            split(kept[int(rand() * i)], part, " ")
            n = split(part[1], rank, "/")
            image = ""
            for (r = 1; r <= n; r++) {
                t = ""
                for (k = length(rank[r]); k > 0; k--) t = t substr(rank[r], k, 1)
                image = image (r > 1 ? "/" : "") t
            }
            line = image " " part[2] " - - bm #2;"
        } else line = fields
        kept[i] = line
        printf "%s%s\n", line, (rand() < 0.02 ? "\r" : "")
    }
}' >big.epd
[ "$(wc -c <big.epd)" -gt 5000000 ] || fail "the collection is too small to be read mapped"
{ echo "8/8/8/8/8/8/8/K1k5 w - - bm #1;" && cat big.epd; } >shifted.epd
printf '%% Vandrelo problem database\r\n8/8/8/8/8/8/8/K1k5 w - - bm #1;\r\n' >base.epd

# run <where> <options...>: one run in the folder named <where>, which reads the collection as
# a file, through a pipe (-), or the collection and then the shifted one: file-file, file-pipe,
# pipe-file.
run() {
    where=$1
    shift
    piped=../big.epd
    case $where in
    file) inputs="../big.epd" ;;
    pipe) inputs="-" ;;
    file-file) inputs="../big.epd ../shifted.epd" ;;
    file-pipe) inputs="../big.epd -" piped=../shifted.epd ;;
    pipe-file) inputs="- ../shifted.epd" ;;
    esac
    rm -rf "$where" && mkdir "$where" && cp "${database:-base.epd}" "$where/Vandrelo.epd"
    # shellcheck disable=SC2086
    (cd "$where" && $launcher "$bin" $inputs "$@" <$piped >out 2>err; echo $? >status)
    # The seconds a run took differ; the names of the inputs too.
    sed -e 's/([0-9.]* sec)//' -e 's/"[^"]*\(big\|shifted\)\.epd"/"IN"/g; s/"-"/"IN"/g' \
        "$where/err" >"$where/err.masked"
}

# same <options> <where> <where>: the two runs gave the same bytes.
same() {
    for f in out err.masked status Vestrel.log Vandrelo.epd; do
        [ -e "$2/$f" ] || [ -e "$3/$f" ] || continue
        cmp -s "$2/$f" "$3/$f" || fail "$1: $f differs between $2 and $3"
    done
}

for options in "" "/xy /p" "/p" "--legal" "/xy" "/xy --canonical" "/xy /p /m2" "/xy /p /1" \
    "/xy /p /u+"; do
    for where in file pipe file-file file-pipe pipe-file; do
        # shellcheck disable=SC2086
        run $where $options
    done
    same "$options" file pipe
    same "$options" file-file file-pipe
    same "$options" file-file pipe-file
    # The collection has records of every verdict.
    if [ "$options" = "/xy /p" ]; then
        for verdict in duplicate mirror-x illegal; do
            grep -q "id \"$verdict\"" file/Vestrel.log || fail "no $verdict in the log"
        done
        # The second reading repeats every record of the first.
        once=$(grep -c 'id "duplicate"' file/Vestrel.log)
        twice=$(grep -c 'id "duplicate"' file-file/Vestrel.log)
        [ "$twice" -gt $((once + 80000)) ] || fail "the second reading found $twice - $once duplicates"
    fi
done

# A database of 4 MB or more is read mapped too, and its keys stay in its pages for the whole
# run. The collection's first 60,000 lines as the database (under 4 MB, so read in blocks and
# its keys copied), against the same lines with enough comment lines after them to be read
# mapped (which changes no verdict): the same output, log and database lines but the comments.
head -n 60000 big.epd >small-base.epd
{
    cat small-base.epd
    awk 'BEGIN { for (i = 0; i < 40000; i++) print "% a comment line to make the file large " i }'
} >large-base.epd
[ "$(wc -c <small-base.epd)" -lt 4194304 ] && [ "$(wc -c <large-base.epd)" -gt 4194304 ] ||
    fail "the databases are not on both sides of 4 MB"
for options in "/u+" "/xy /p /u+" "/u="; do
    for size in small large; do
        database=$size-base.epd
        # shellcheck disable=SC2086
        run file-file $options
        rm -rf "$size" && mv file-file "$size"
        grep -v '^%' "$size/Vandrelo.epd" >"$size/lines"
    done
    database=
    [ "$(cat large/status)" = 0 ] || fail "$options with a large database: exit status $(cat large/status)"
    for f in out err.masked status Vestrel.log lines; do
        cmp -s "small/$f" "large/$f" || fail "$options: $f differs between a small and a large database"
    done
done

[ "$failures" -eq 0 ] && echo "mapped or piped: the same bytes in every option set"
exit $((failures != 0))
