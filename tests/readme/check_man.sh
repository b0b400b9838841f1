#!/bin/sh
# Formats the manual page with every groff warning switched on; any warning fails the check.
# Exits 77 (skipped) when groff is not installed.
#
#   check_man.sh <page>
set -u
page=$1
if ! command -v groff >/dev/null 2>&1; then
    echo "groff is not installed (Debian package groff-base): the manual page is not checked"
    exit 77
fi
warnings=$(LC_ALL=C groff -man -ww -z "$page" 2>&1)
if [ -n "$warnings" ]; then
    echo "FAIL: $page formats with warnings:"
    echo "$warnings"
    exit 1
fi
echo "$page formats without warnings"
