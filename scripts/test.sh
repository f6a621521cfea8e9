#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the optimised
# build, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# and a bounded run of the fuzzers beside the latter. Tests that need a
# display start their own Xvfb. TOSSARO_WERROR=ON in the environment makes
# warnings errors. Each step says how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
jobs=$(nproc)
werror=-DTOSSARO_WERROR=${TOSSARO_WERROR:-OFF}

# Ends a process and everything it started.
end_tree() {
   local child
   for child in $(pgrep -P "$1"); do
      end_tree "$child"
   done
   kill "$1" 2>/dev/null || true
}

started=$SECONDS
took() {
   echo "test.sh: $1 took $((SECONDS - started)) s"
   started=$SECONDS
}

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOSSARO_TESTS=ON -DTOSSARO_BENCH=ON "$werror" >/dev/null
cmake --build build -j"$jobs"
took "the optimised build"

# The sanitizer and fuzzer builds run beside the optimised build's tests,
# at the lowest priority: they take the time that the tests leave idle
# while a game plays in its window, and all of it once the tests are done.
later_builds=build/later-builds.log
(
   cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTOSSARO_SANITIZE=ON -DTOSSARO_TESTS=ON \
      -DTOSSARO_BENCH=OFF "$werror" >/dev/null &&
      nice -n 19 cmake --build build-asan -j"$jobs" &&
      CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DTOSSARO_FUZZ=ON -DTOSSARO_TESTS=ON -DTOSSARO_BENCH=OFF "$werror" >/dev/null &&
      nice -n 19 cmake --build build-fuzz -j"$jobs" --target fuzzers
) >"$later_builds" 2>&1 &
building=$!
if ! ctest --test-dir build --output-on-failure -j"$jobs"; then
   end_tree "$building"
   exit 1
fi
took "the optimised build's tests"
if ! wait "$building"; then
   cat "$later_builds"
   echo "test.sh: the sanitizer or fuzzer build failed" >&2
   exit 1
fi
took "the rest of the sanitizer and fuzzer builds"

# The sanitizer tests spend much of their time waiting on a game in its
# window, one at a time: the fuzzers run beside them, one at a time too,
# and say what they found once both are done.
fuzz_log=build-fuzz/fuzz-lane.log
ctest --test-dir build-fuzz --output-on-failure -j1 -L fuzz >"$fuzz_log" 2>&1 &
fuzzing=$!
status=0
ctest --test-dir build-asan --output-on-failure -j"$jobs" -LE slow || status=$?
wait "$fuzzing" || status=$?
cat "$fuzz_log"
took "the sanitizer tests and the fuzzers"
exit "$status"
