#!/bin/sh
# Runs a command (e.g. ctest on the Windows build) with Wine made ready for it: a fresh
# temporary Wine prefix and one persistent wineserver, so each vestrel.exe run under Wine
# costs tens of milliseconds instead of a server start. Shuts the server down and removes
# the prefix afterwards; exits with the command's status.
#
#   with_wine.sh <command> [arguments...]
set -u
command -v wine >/dev/null && command -v wineserver >/dev/null || {
    echo "with_wine.sh: wine and wineserver are needed (apt-get install wine wine64)" >&2
    exit 2
}
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-wine.XXXXXX") || exit 2
WINEDEBUG=-all
# No Mono, Gecko or desktop menus: a console program needs none of them.
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES

done_with_wine() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    rm -rf "$WINEPREFIX"
}
trap done_with_wine EXIT
trap 'exit 130' INT TERM

wineserver -p || exit 2
# Creating the prefix takes seconds; the runs after it don't.
wine wineboot --init >/dev/null 2>&1
"$@"
