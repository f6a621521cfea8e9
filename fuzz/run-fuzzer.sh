#!/usr/bin/env bash
# A bounded fuzzing run for ctest: fresh scratch corpus seeded from the
# committed one (which is only read), crash files kept beside it.
# Usage: run-fuzzer.sh FUZZER SEEDS DICT WORKDIR SECONDS   (DICT - for none)
set -euo pipefail
fuzzer=$1 seeds=$2 dict=$3 work=$4 seconds=$5

rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
cp "$seeds"/* "$work/corpus/"

dict_option=()
[ "$dict" != - ] && dict_option=(-dict="$dict")

status=0
"$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25 \
   "${dict_option[@]}" -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
   "$work/corpus" >"$work/log" 2>&1 || status=$?
tail -n 40 "$work/log"

# Any sanitizer report fails the run, even one that did not end it.
if [ "$status" -ne 0 ] || grep -q -E '^SUMMARY: |runtime error:' "$work/log"; then
   echo "fuzzing failed (exit $status); artifacts in $work/artifacts, log in $work/log" >&2
   exit 1
fi
