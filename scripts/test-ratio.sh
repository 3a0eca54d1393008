#!/usr/bin/env bash
# Non-blank lines of the tests (everything under tests/) against every other C++ source of the
# project, as tracked by git. Keep the ratio at or below 0.35.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { if [ $# -eq 0 ]; then echo 0; else cat "$@" | grep -cv '^[[:space:]]*$' || true; fi; }
mapfile -t sources < <(git ls-files | grep -E '\.(cpp|cc|h|hpp)$')
tests=(); code=()
for f in "${sources[@]}"; do
    [ -f "$f" ] || continue
    if [[ $f == tests/* ]]; then tests+=("$f"); else code+=("$f"); fi
done
t=$(count "${tests[@]}")
c=$(count "${code[@]}")
awk -v t="$t" -v c="$c" -v tf="${#tests[@]}" -v cf="${#code[@]}" 'BEGIN {
    printf "tests %d lines in %d files\ncode  %d lines in %d files\nratio %.3f (at most 0.35)\n",
        t, tf, c, cf, (c ? t / c : 0) }'
