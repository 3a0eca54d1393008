#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated unit on a pseudo-terminal and opens the
# program on it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset dev
cmake --build --preset dev -j"$(nproc)"
exec bash scripts/demo.sh build/dev
