#!/usr/bin/env bash
# Non-blank lines of the tests (everything under tests/) against every other C++ source of the
# project, as tracked by git. Keep the ratio at or below 0.35: with --check the script fails
# (status 1) above it, and skips (status 77) outside a git checkout, where it cannot count.
set -euo pipefail
cd "$(dirname "$0")/.."
check=false
[ "${1:-}" = --check ] && check=true
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "not a git checkout: nothing to count"
    exit 77
fi
count() { if [ $# -eq 0 ]; then echo 0; else cat "$@" | grep -cv '^[[:space:]]*$' || true; fi; }
mapfile -t sources < <(git ls-files | grep -E '\.(cpp|cc|h|hpp)$')
tests=(); code=()
for f in "${sources[@]}"; do
    [ -f "$f" ] || continue
    if [[ $f == tests/* ]]; then tests+=("$f"); else code+=("$f"); fi
done
t=$(count "${tests[@]}")
c=$(count "${code[@]}")
if ! awk -v t="$t" -v c="$c" -v tf="${#tests[@]}" -v cf="${#code[@]}" -v check="$check" 'BEGIN {
    printf "tests %d lines in %d files\ncode  %d lines in %d files\nratio %.3f (at most 0.35)\n",
        t, tf, c, cf, (c ? t / c : 0)
    exit (check == "true" && t > 0.35 * c) }'; then
    echo "the tests have outgrown 0.35 of the code"
    exit 1
fi
