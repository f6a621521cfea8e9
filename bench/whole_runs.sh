#!/usr/bin/env bash
# Whole runs of gifcodec against giflib, as a user starts them:
#   encode: gifcodec encode big.bmp out.gif  against  gif_peer encode (EGifSpew)
#   decode: gifcodec decode big.gif out.ppm  against  gif2rgb -1 -o out.rgb
# on a W x H picture of 256 colours made here (an 8-bit BMP; big.gif is
# giflib's encoding of it). The programs run alternately, RUNS times each;
# the best wall time of each counts. Prints each ratio (ours over the peer;
# below 1 we are faster), both peak memories (maximum resident set) and,
# for a machine shared with other work, the best CPU times (user + system,
# to 10 ms) and their ratio.
#
# usage: whole_runs.sh GIFCODEC GIF_PEER [RUNS [W H]]
#   e.g. bash bench/whole_runs.sh build/tools/gifcodec/gifcodec build/bench/gif_peer
set -euo pipefail

gifcodec=$(realpath "$1")
peer=$(realpath "$2")
runs=${3:-7}
width=${4:-4000}
height=${5:-3000}
gif2rgb=$(command -v gif2rgb) || { echo "whole_runs.sh: gif2rgb (giflib-tools) is missing" >&2; exit 1; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
"$peer" picture big.bmp "$width" "$height"
"$peer" encode big.bmp big.gif

# One timed run: "wall-ms peak-kb cpu-ms".
timed() {
   local start end
   start=$(date +%s%N)
   /usr/bin/time -f '%M %U %S' -o usage.txt "$@" >/dev/null
   end=$(date +%s%N)
   read -r kb user system < <(tail -n 1 usage.txt)
   echo "$(((end - start) / 1000000)) $kb $(awk -v u="$user" -v s="$system" 'BEGIN { print int((u + s) * 1000 + 0.5) }')"
}

declare -A best_ms best_kb best_cpu
note() {  # name, "wall-ms peak-kb cpu-ms"
   local ms kb cpu
   read -r ms kb cpu <<<"$2"
   if [[ -z ${best_ms[$1]:-} || $ms -lt ${best_ms[$1]} ]]; then
      best_ms[$1]=$ms
      best_kb[$1]=$kb
   fi
   if [[ -z ${best_cpu[$1]:-} || $cpu -lt ${best_cpu[$1]} ]]; then
      best_cpu[$1]=$cpu
   fi
}

for ((i = 0; i < runs; i++)); do
   # Alternate which goes first, so neither always finds the cache warmer.
   if ((i % 2 == 0)); then
      note ours-encode "$(timed "$gifcodec" encode big.bmp ours.gif)"
      note peer-encode "$(timed "$peer" encode big.bmp peer.gif)"
      note ours-decode "$(timed "$gifcodec" decode big.gif ours.ppm)"
      note peer-decode "$(timed "$gif2rgb" -1 -o peer.rgb big.gif)"
   else
      note peer-encode "$(timed "$peer" encode big.bmp peer.gif)"
      note ours-encode "$(timed "$gifcodec" encode big.bmp ours.gif)"
      note peer-decode "$(timed "$gif2rgb" -1 -o peer.rgb big.gif)"
      note ours-decode "$(timed "$gifcodec" decode big.gif ours.ppm)"
   fi
done

# Both decodings must be the same pixels (the PPM's data is the RGB
# file), and so must giflib's decoding of both encodings.
"$gif2rgb" -1 -o ours-gif.rgb ours.gif
if ! cmp -s <(tail -c $((width * height * 3)) ours.ppm) peer.rgb || ! cmp -s ours-gif.rgb peer.rgb; then
   echo "whole_runs.sh: gifcodec's output and giflib's differ" >&2
   exit 1
fi

ratio() {
   awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'
}

for what in encode decode; do
   ours=ours-$what peer=peer-$what
   printf '%s %dx%d, best of %d: gifcodec %d ms, %d KB peak; giflib %d ms, %d KB peak; ratio %s' \
      "$what" "$width" "$height" "$runs" "${best_ms[$ours]}" "${best_kb[$ours]}" \
      "${best_ms[$peer]}" "${best_kb[$peer]}" "$(ratio "${best_ms[$ours]}" "${best_ms[$peer]}")"
   printf ' (CPU %d against %d ms, ratio %s)\n' "${best_cpu[$ours]}" "${best_cpu[$peer]}" \
      "$(ratio "${best_cpu[$ours]}" "${best_cpu[$peer]}")"
done
