#!/usr/bin/env bash
# Installs what is missing, builds, and starts the leaderboard's server on
# 127.0.0.1:8765, its table in leaderboard.db here; the options go to it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOSSARO_TESTS=OFF -DTOSSARO_BENCH=OFF \
   -DTOSSARO_SERVER=ON >/dev/null
cmake --build build -j"$(nproc)" --target tossaro tossaro-server
# The game that makes the clips reads graphics/ from the working folder.
exec ./build/src/server/tossaro-server --game ./build/src/app/tossaro "$@"
