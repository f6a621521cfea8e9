#!/usr/bin/env bash
# The game's share of a core during play at --max-fps 60, muted and with
# sound (to SDL's dummy driver unless SDL_AUDIODRIVER says otherwise), and
# the time from its start to its window, each way.
# usage: bash bench/sound_cpu.sh path/to/tossaro [seconds]
set -euo pipefail
game=$(realpath "$1")
seconds=${2:-10}
source "$(dirname "$0")/game_display.sh"

# Clock ticks of user and system time the process has used.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

run() {
   start_game --max-fps 60 "$@"
   sleep 1.5; xdotool key x; sleep 1; xdotool key p; sleep 1
   local before=$(ticks $pid)
   sleep "$seconds"
   local used=$(( $(ticks $pid) - before ))
   kill $pid; wait $pid || true
   local hz=$(getconf CLK_TCK)
   echo "$(awk -v u=$used -v s=$seconds -v hz=$hz 'BEGIN {printf "%.1f", 100 * u / hz / s}')% of a core, window after ${window_ms} ms"
}

echo "muted:      $(run --mute)"
echo "with sound: $(run)"
