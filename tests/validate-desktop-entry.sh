#!/bin/sh
# Checks a desktop entry with desktop-file-validate. The tool exits 0 for some errors, so any
# "error:" line it prints fails the check; without the tool the check is skipped (exit 77).
if ! command -v desktop-file-validate >/dev/null 2>&1; then
    echo "desktop-file-validate is not installed (package desktop-file-utils)"
    exit 77
fi
output=$(desktop-file-validate "$1" 2>&1)
status=$?
[ -n "$output" ] && printf '%s\n' "$output"
[ "$status" -eq 0 ] || exit 1
if printf '%s\n' "$output" | grep -q 'error:'; then
    exit 1
fi
exit 0
