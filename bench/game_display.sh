# Sourced by the benchmarks that run the real game ($game): a scratch
# folder $work with a copy of graphics/ and sounds/ and settings of its
# own, a private Xvfb on $DISPLAY, sound to SDL's dummy driver unless
# SDL_AUDIODRIVER says otherwise; the server and the folder go at exit.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
cp -r "$root/graphics" "$root/sounds" "$work"
# Xvfb picks a free display and writes its number; without -noreset it
# refuses connections for a while each time the last client leaves, as
# one game after another does.
Xvfb -displayfd 1 -screen 0 800x600x24 -nolisten tcp -noreset >"$work/display" 2>/dev/null &
xvfb=$!
until [ -s "$work/display" ]; do
   kill -0 $xvfb 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
   sleep 0.01
done
export DISPLAY=:$(cat "$work/display") SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export XDG_CONFIG_HOME=$work/config

# Nanoseconds on the clock.
now_ns() { date +%s%N; }

# Starts the game in $work with the options given and waits for its
# window: $pid is the game's, $window_ms how long the window took.
start_game() {
   cd "$work"
   local start=$(now_ns)
   "$game" "$@" >/dev/null 2>&1 &
   pid=$!
   until xdotool search --name '^Tossaro$' >/dev/null 2>&1; do
      kill -0 $pid 2>/dev/null || { echo "the game ended before its window opened" >&2; exit 1; }
      sleep 0.002
   done
   window_ms=$(( ($(now_ns) - start) / 1000000 ))
}
