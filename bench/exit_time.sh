#!/usr/bin/env bash
# How long the game takes to end on SIGINT, SIGTERM and SIGHUP, in the
# menu and during play: from the signal to the process gone, the table
# saved and the sound device closed on the way. Each row is the median
# and the worst of RUNS runs (5 by default).
# usage: bash bench/exit_time.sh path/to/tossaro [runs]
set -euo pipefail
game=$(realpath "$1")
runs=${2:-5}
source "$(dirname "$0")/game_display.sh"

# The median and the worst of the microseconds on stdin.
summary() {
   sort -n | awk '{t[NR] = $1} END {printf "median %.1f ms, worst %.1f ms\n", t[int((NR + 1) / 2)] / 1000, t[NR] / 1000}'
}

all=()
for where in "the menu" play; do
   for signal in INT TERM HUP; do
      times=()
      for ((i = 0; i < runs; i++)); do
         start_game
         sleep 1.5; xdotool key x; sleep 0.5
         if [ "$where" = play ]; then xdotool key p; sleep 1; fi
         sent=$(now_ns)
         kill -$signal $pid
         status=0; wait $pid || status=$?
         times+=($(( ($(now_ns) - sent) / 1000 )))
         size=$(stat -c %s "$work/hiscores.bin" 2>/dev/null || echo 0)
         if [ $status != 0 ] || [ $size != 1040 ]; then
            echo "SIG$signal in $where: status $status, a table of $size bytes" >&2
            exit 1
         fi
         rm "$work/hiscores.bin"
      done
      all+=("${times[@]}")
      printf 'SIG%-4s in %-8s  ' $signal "$where"
      printf '%s\n' "${times[@]}" | summary
   done
done
printf 'all %d runs:          ' ${#all[@]}
printf '%s\n' "${all[@]}" | summary
