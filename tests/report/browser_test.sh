#!/bin/sh
# Renders the --report page of the bundled examples in headless Chromium and checks what a
# reader sees: the number of diagrams, 64 squares on each, the right pieces on the right
# squares for a known pair, the kind texts, and that the page reached for nothing on the
# network. Chromium (Debian package chromium) is installed when missing and this runs as
# root with apt-get; elsewhere the test is skipped (exit 77) with a message.
#
#   browser_test.sh <vestrel> <source dir>
set -u
bin=$1
src=$2
case $bin in /*) ;; *) bin=$(pwd)/$bin ;; esac

find_chromium() {
    for name in chromium chromium-browser; do
        command -v "$name" 2>/dev/null && return 0
    done
    return 1
}
browser=$(find_chromium)
if [ -z "$browser" ]; then
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
        echo "installing the Debian package chromium ..."
        { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq chromium; } \
            >/dev/null 2>&1
        browser=$(find_chromium)
    fi
    if [ -z "$browser" ]; then
        echo "skipped: Chromium is not installed and cannot be installed here" \
            "(as root: apt-get install chromium)"
        exit 77
    fi
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-browser.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT INT TERM
cp "$src"/examples/* "$tmp"/
(cd "$tmp" && "$bin" problems.epd /xy /p --report=report.html >/dev/null 2>&1)
[ -s "$tmp/report.html" ] || { echo "FAIL: no report written"; exit 1; }

# A fresh profile each run. No host name resolves, so whatever the browser or the page asks
# for never leaves the machine; the network log still records every request made.
browse() { # output-options...
    profile=$(mktemp -d "$tmp/profile.XXXXXX")
    timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --host-resolver-rules="MAP * ~NOTFOUND" \
        --user-data-dir="$profile" --enable-logging=stderr --v=0 "$@" \
        "file://$tmp/report.html" 2>>"$tmp/browser.log"
}
browse --dump-dom --log-net-log="$tmp/net.json" >"$tmp/dom.html" || {
    echo "FAIL: Chromium did not render the page"
    tail -n 20 "$tmp/browser.log"
    exit 1
}
browse --hide-scrollbars --window-size=1000,2600 --screenshot="$tmp/shot.png" >/dev/null

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# One line per diagram: its title (the FEN), its squares, and its pieces as "wk@2,0".
awk '{
    rest = $0
    while ((at = index(rest, "<svg class=\"bd\"")) > 0) {
        rest = substr(rest, at)
        close_at = index(rest, "</svg>")
        svg = substr(rest, 1, close_at)
        rest = substr(rest, close_at + 6)
        title = svg; sub(/.*<title>/, "", title); sub(/<\/title>.*/, "", title)
        squares = gsub(/<path d="M[0-7] [0-7]h1v1H[0-7]"/, "", svg)
        pieces = ""
        while (match(svg, /<use href="#[wb][pnbrqk]" x="[0-7]" y="[0-7]"/)) {
            use = substr(svg, RSTART, RLENGTH)
            svg = substr(svg, RSTART + RLENGTH)
            split(use, q, "\"")
            pieces = pieces " " substr(q[2], 2) "@" q[4] "," q[6]
        }
        print title "|" squares "|" pieces
    }
}' "$tmp/dom.html" >"$tmp/diagrams"

diagrams=$(wc -l <"$tmp/diagrams" | tr -d ' ')
# Three pairs (a duplicate, a left-right mirror image, a diagonal reflection) and the illegal
# position on its own.
[ "$diagrams" -eq 7 ] || fail "$diagrams diagrams, expected 7"
awk -F'|' '$2 != 64 { print "FAIL: " $1 " has " $2 " squares"; bad = 1 } END { exit bad }' \
    "$tmp/diagrams" || failed=1

# The known pair: line 14 mirrors line 6 left to right.
expect_pieces() { # fen pieces
    line=$(grep -F "$1|" "$tmp/diagrams" | head -n 1)
    [ -n "$line" ] || { fail "no diagram of $1"; return; }
    got=$(printf '%s\n' "${line##*|}" | tr ' ' '\n' | grep . | sort | tr '\n' ' ')
    want=$(printf '%s\n' $2 | sort | tr '\n' ' ')
    [ "$got" = "$want" ] || fail "$1: pieces $got, expected $want"
}
expect_pieces "1k6/ppp5/8/8/8/8/8/1K5R w - -" "bk@1,0 bp@0,1 bp@1,1 bp@2,1 wk@1,7 wr@7,7"
expect_pieces "6k1/5ppp/8/8/8/8/8/R5K1 w - -" "bk@6,0 bp@5,1 bp@6,1 bp@7,1 wr@0,7 wk@6,7"

for text in "problems.epd, line 13</b> is the same position as <b>problems.epd, line 5" \
    "is the same position mirrored left to right (files a and h exchanged) as" \
    "is the same position reflected in the a1-h8 diagonal as" \
    "Rule: A castling right needs its king and rook on their home squares" \
    '<rect class="hl" x="7" y="0"'; do
    grep -qF "$text" "$tmp/dom.html" || fail "the page does not say: $text"
done

# Nothing from the network: no address or outside reference in the page, no request made.
if grep -qiE 'https?:|//[a-z]|src=|<link|<script|<iframe|<object|<embed|url\(|@import' \
    "$tmp/dom.html"; then
    fail "the page refers to something outside it"
fi
if grep -v '^#' "$tmp/dom.html" | grep -o 'href="[^"]*"' | grep -qv 'href="#'; then
    fail "a link leaves the page"
fi
# The browser's own update and account checks carry no initiator ("not an origin"); a
# request on behalf of the page carries the page's origin.
[ -s "$tmp/net.json" ] || fail "Chromium wrote no network log"
page_requests=$(grep '"initiator":"' "$tmp/net.json" | grep -v '"initiator":"not an origin"' |
    grep -oE '"url":"[^"]*"' | sort -u)
[ -z "$page_requests" ] || fail "the page made network requests: $page_requests"
if grep -q 'Content Security Policy' "$tmp/browser.log"; then
    fail "the page's own policy refused part of it:"
    grep 'Content Security Policy' "$tmp/browser.log" | head -n 3
fi

# The screenshot: a PNG of the rendered page, far from blank.
if [ "$(head -c 8 "$tmp/shot.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]; then
    fail "no screenshot"
elif [ "$(wc -c <"$tmp/shot.png")" -lt 30000 ]; then
    fail "the screenshot looks blank ($(wc -c <"$tmp/shot.png") bytes)"
fi

[ "$failed" -eq 0 ] && echo "Chromium shows $diagrams diagrams of 64 squares, the pieces and kinds expected, and nothing from the network"
exit "$failed"
