#!/usr/bin/env bash
# The game's share of a core during play at --max-fps 60, muted and with
# sound (to SDL's dummy driver unless SDL_AUDIODRIVER says otherwise), and
# the time from its start to its window, each way.
# usage: bash bench/sound_cpu.sh path/to/tossaro [seconds]
set -euo pipefail
game=$(realpath "$1")
seconds=${2:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
cp -r "$root/graphics" "$root/sounds" "$work"
display=:$((RANDOM % 400 + 500))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY=$display SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

# Clock ticks of user and system time the process has used.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

run() {
   cd "$work"
   local start=$(date +%s%N)
   "$game" --max-fps 60 "$@" >/dev/null 2>&1 &
   local pid=$!
   until xdotool search --name '^Tossaro$' >/dev/null 2>&1; do sleep 0.002; done
   local window_ms=$(( ($(date +%s%N) - start) / 1000000 ))
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
