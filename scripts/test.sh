#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the optimised
# build, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a bounded run of the fuzzers. Tests that need a display start their
# own Xvfb. TOSSARO_WERROR=ON in the environment makes warnings errors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
jobs=$(nproc)
werror=-DTOSSARO_WERROR=${TOSSARO_WERROR:-OFF}

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOSSARO_TESTS=ON -DTOSSARO_BENCH=ON "$werror" >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTOSSARO_SANITIZE=ON -DTOSSARO_TESTS=ON -DTOSSARO_BENCH=OFF \
   "$werror" >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs" -LE slow

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
   -DTOSSARO_FUZZ=ON -DTOSSARO_TESTS=ON -DTOSSARO_BENCH=OFF "$werror" >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzzers
ctest --test-dir build-fuzz --output-on-failure -j"$jobs" -L fuzz
