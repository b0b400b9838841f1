#!/bin/sh
# File names beyond the ANSI code page, for vestrel.exe under Wine: the command line and the
# files go through the wide calls, messages show the names as UTF-8, and what an option matches
# in the records keeps the bytes of the records' code page.
#
#   wide_names.sh <vestrel.exe> <launcher>
set -u
bin=$1
launcher=$2
# Wine hands over arguments beyond ASCII only from a UTF-8 locale.
LC_ALL=C.UTF-8
export LC_ALL
work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-wide.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

record='k7/8/1K6/8/8/8/8/7Q w - - bm #2;'
printf '%s\r\n' "$record" >'задачи.epd'
printf '%s\r\n' "$record" >expected

# An input file named in Cyrillic.
$launcher "$bin" 'задачи.epd' >out 2>err || fail "задачи.epd: exit $? ($(cat err))"
cmp -s out expected || fail "задачи.epd: output differs"

# A database named in Polish: made, then backed up under its own name.
$launcher "$bin" 'задачи.epd' '/u+Łódź' >out 2>err || fail "/u+Łódź: exit $? ($(cat err))"
cmp -s 'Łódź.epd' expected || fail "/u+Łódź: Łódź.epd is not the new database"
printf '\r\n\r1 EPD-line updated to "Łódź.epd"  (T sec)\r\n' >want
sed 's/([0-9.]* sec)/(T sec)/' err | cmp -s - want || fail "/u+Łódź: report: $(cat err)"
$launcher "$bin" '/u-Łódź' >/dev/null 2>err || fail "/u-Łódź: exit $? ($(cat err))"
[ -f 'Łódź.bak' ] || fail "/u-Łódź: no Łódź.bak"

# A missing file is named as typed.
$launcher "$bin" 'нет.epd' >out 2>err && fail "нет.epd: exit 0"
printf '\nERROR: File "нет.epd" not found (or access denied) !\a\r\n' | cmp -s - err ||
    fail "нет.epd: message: $(cat err)"

# On a console (a terminal that script(1) gives Wine) the name is shown as typed: written as
# Unicode, not as bytes that the console's code page would turn into other letters.
if command -v script >/dev/null 2>&1; then
    script -qec "$launcher $bin нет.epd" /dev/null >console 2>&1
    grep -q 'ERROR: File "нет.epd" not found' console ||
        fail "нет.epd on a console: $(tr -d '\033' <console)"
fi

# A find string in the records' code page (Windows-1252 here): é is the byte 0xE9.
printf '%s id "\351t\351";\r\n' "k7/8/1K6/8/8/8/8/7Q w - - bm #2;" >latin.epd
$launcher "$bin" latin.epd '/fété' >out 2>err || fail "/fété: exit $?"
cmp -s out latin.epd || fail "/fété: the record with é was not found"

[ $failures -eq 0 ] || exit 1
echo "ok: Cyrillic and Polish file names, and a find string in the code page"
