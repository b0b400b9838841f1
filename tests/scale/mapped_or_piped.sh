#!/bin/sh
# A file large enough to be read mapped is read ahead on a second thread in the runs that read
# each placement as a board (/xy, /p, --legal); through a pipe the same bytes are read on the
# main thread alone. Both must give the same output, log and database, byte for byte,
# on a collection of every kind of line: legal and illegal positions, duplicates and mirror
# images near and far, castling rights and e.p. squares, lines that are no record of their own
# (extra spaces, missing fields, comments, CR LF), placements that are no board.
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
printf '%% Vandrelo problem database\r\n8/8/8/8/8/8/8/K1k5 w - - bm #1;\r\n' >base.epd

# run <name> <where: file or pipe> <options...>: one run in its own folder.
run() {
    name=$1
    where=$2
    shift 2
    rm -rf "$name" && mkdir "$name" && cp base.epd "$name/Vandrelo.epd"
    if [ "$where" = file ]; then
        (cd "$name" && $launcher "$bin" ../big.epd "$@" >out 2>err; echo $? >status)
    else
        (cd "$name" && $launcher "$bin" - "$@" <../big.epd >out 2>err; echo $? >status)
    fi
    # The seconds a run took differ; the name of the input too.
    sed -e 's/([0-9.]* sec)//' -e 's/"[^"]*big\.epd"/"IN"/; s/"-"/"IN"/' "$name/err" >"$name/err.masked"
}

for options in "/xy /p" "/p" "--legal" "/xy" "/xy --canonical" "/xy /p /m2" "/xy /p /1" \
    "/xy /p /u+"; do
    # shellcheck disable=SC2086
    run mapped file $options
    # shellcheck disable=SC2086
    run piped pipe $options
    for f in out err.masked status Vestrel.log Vandrelo.epd; do
        [ -e "mapped/$f" ] || [ -e "piped/$f" ] || continue
        cmp -s "mapped/$f" "piped/$f" || fail "$options: $f differs between the file and the pipe"
    done
    # The collection has records of every verdict.
    if [ "$options" = "/xy /p" ]; then
        for verdict in duplicate mirror-x illegal; do
            grep -q "id \"$verdict\"" mapped/Vestrel.log || fail "no $verdict in the log"
        done
    fi
done

[ "$failures" -eq 0 ] && echo "mapped or piped: the same bytes in every option set"
exit $((failures != 0))
