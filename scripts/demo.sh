#!/usr/bin/env bash
# Opens the program on the simulated unit: starts tavix-unit-sim on a pseudo-terminal as port 1
# of the build folder's program, paced like the real line, and stops it when the program ends.
# Builds nothing. Usage: scripts/demo.sh [build folder, default build/dev]
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-build/dev}"
if [[ "$build" != /* ]]; then
    if [ -d "$PWD/$build" ]; then
        build="$PWD/$build"
    else
        build="$repo/$build"
    fi
fi
bin="$build/bin"

for program in tavix-unit-sim tavix-message-manager; do
    if [ ! -x "$bin/$program" ]; then
        echo "demo: $bin/$program is missing; build first (cmake --preset dev && cmake --build --preset dev)" >&2
        exit 1
    fi
done

# The link ports/com1 beside the program is how it finds the simulated unit as port 1.
# It starts with the demo's messages stored (the same as tavixctl --sim has), so the directory
# has something to show, play and erase.
coproc SIM {
    exec "$bin/tavix-unit-sim" --link "$bin/ports/com1" --baud 460800 --demo
}
sim_pid=$SIM_PID
app_pid=
stop_all() {
    if [ -n "$app_pid" ]; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The simulator's first line, the device, says it is ready.
if ! read -r -t 10 device <&"${SIM[0]}"; then
    echo "demo: the simulated unit did not start" >&2
    exit 1
fi
echo "demo: simulated unit on $device, linked as $bin/ports/com1"

if [ ! -e "$bin/setup.txt" ]; then
    printf 'BaudRate=460800\r\nCommPort=1\r\n' > "$bin/setup.txt"
elif ! tr -d '\r' < "$bin/setup.txt" | grep -qx 'CommPort=1'; then
    echo "demo: $bin/setup.txt names another port than 1; the program will not find the simulated unit there" >&2
fi

# In the background so that a signal to this script ends the program too, at once.
"$bin/tavix-message-manager" &
app_pid=$!
status=0
wait "$app_pid" || status=$?
app_pid=
exit "$status"
