#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOSSARO_TESTS=OFF -DTOSSARO_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)"
# The game reads graphics/ and sounds/ from the working folder.
exec ./build/src/app/tossaro "$@"
