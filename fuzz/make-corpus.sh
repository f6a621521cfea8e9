#!/usr/bin/env bash
# Regenerates the fuzzing seeds in fuzz/corpus: small GIFs made here with
# ImageMagick's convert, gifsicle and giflib's gifbuild, plus a few written
# byte by byte for what those tools never produce (LZW minimum code sizes
# other than 2..8, a full dictionary, streams without a leading clear
# code, missing pixels, odd extensions, no colour table at all) and
# truncated copies. Bytes after a trailer steer the fuzzer's drawing (see
# gif_fuzzer.cpp), so a few seeds carry some.
#
# Usage: fuzz/make-corpus.sh [OUTPUT_DIR]   (default: fuzz/corpus)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/corpus}
for tool in convert gifsicle gifbuild; do
   command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
rm -f "$out"/*.gif
cd "$tmp"

# ---- Byte-level helpers -------------------------------------------------

# Hex bytes, e.g. `bytes 21 f9 04`.
bytes() {
   local b
   for b in "$@"; do printf "\\x$b"; done
}

# A 16-bit little-endian number.
le16() {
   printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8)))"
}

# A colour table of N entries, a simple ramp so that indices differ.
table() {
   local n=$1 k
   for ((k = 0; k < n; k++)); do
      printf "\\x$(printf %02x $((k * 37 & 255)))\\x$(printf %02x $((k * 91 & 255)))\\x$(printf %02x $((255 - k & 255)))"
   done
}

# Header and logical screen: WIDTH HEIGHT PACKED; the global table, if the
# packed byte announces one, follows from `table`.
screen() {
   printf 'GIF89a'
   le16 "$1"
   le16 "$2"
   bytes "$(printf %02x "$3")" 00 00
}

# Image descriptor: X Y WIDTH HEIGHT PACKED.
descriptor() {
   bytes 2c
   le16 "$1"
   le16 "$2"
   le16 "$3"
   le16 "$4"
   bytes "$(printf %02x "$5")"
}

# Graphic control extension: DISPOSAL DELAY TRANSPARENT (-1 for none).
control() {
   local packed=$(($1 << 2)) index=0
   if [ "$3" -ge 0 ]; then packed=$((packed | 1)) index=$3; fi
   bytes 21 f9 04 "$(printf %02x $packed)"
   le16 "$2"
   bytes "$(printf %02x $index)" 00
}

# Image data: the minimum code size, then codes packed least significant
# bit first into sub-blocks, then the terminator. Codes are numbers, C for
# the clear code and E for the end code; widths grow as a GIF decoder's
# do: one more bit once the next free code reaches 2^width, up to 12.
lzw() {
   local min=$1
   shift
   local clear=$((1 << min))
   local width=$((min + 1)) next=$((clear + 2)) started=0
   local acc=0 nbits=0 code token
   local -a data=()
   for token in "$@"; do
      case $token in
         C) code=$clear ;;
         E) code=$((clear + 1)) ;;
         *) code=$token ;;
      esac
      acc=$((acc | (code << nbits)))
      nbits=$((nbits + width))
      while ((nbits >= 8)); do
         data+=($((acc & 255)))
         acc=$((acc >> 8))
         nbits=$((nbits - 8))
      done
      case $token in
         C) width=$((min + 1)) next=$((clear + 2)) started=0 ;;
         E) ;;
         *)
            if ((started && next < 4096)); then next=$((next + 1)); fi
            started=1
            if ((next == (1 << width) && width < 12)); then width=$((width + 1)); fi
            ;;
      esac
   done
   if ((nbits > 0)); then data+=($((acc & 255))); fi
   bytes "$(printf %02x "$min")"
   local i=0 n=${#data[@]} k j
   while ((i < n)); do
      k=$((n - i < 255 ? n - i : 255))
      bytes "$(printf %02x $k)"
      for ((j = i; j < i + k; j++)); do bytes "$(printf %02x "${data[j]}")"; done
      i=$((i + k))
   done
   bytes 00
}

# ---- Made with the image tools ------------------------------------------

# Stills: the smallest, two colours, a full 256-colour table.
convert -size 1x1 xc:white "$out/still-1x1.gif"
convert -size 16x16 pattern:checkerboard -colors 2 "$out/still-checker-2colours.gif"
convert -seed 7 -size 24x24 plasma:fractal plasma.gif
cp plasma.gif "$out/still-plasma-256colours.gif"

# Every table size from 4 to 128 entries, so LZW minimum code sizes 2 to 7
# (256 colours above gives 8).
for n in 4 8 16 32 64 128; do
   gifsicle -k "$n" plasma.gif -o "$out/still-$n-colours.gif"
done

# GIF87a: gifsicle writes it when nothing needs 89a.
gifsicle -k 16 plasma.gif --no-extensions -o "$out/still-gif87a.gif"

# Interlaced, at heights that leave interlace passes short or empty.
gifsicle -k 32 -i plasma.gif -o "$out/interlaced-24x24.gif"
for size in 7x1 5x2 6x3 4x5 3x9 2x13; do
   convert -seed 3 -size "$size" plasma:fractal -colors 8 -interlace GIF "$out/interlaced-$size.gif"
done

# Transparency: one colour of a still, and frames showing what is below.
gifsicle -k 8 -t '#000000' plasma.gif -o "$out/transparent-still.gif"
convert -size 12x12 xc:red -fill blue -draw 'rectangle 2,2 9,9' red.gif
convert -size 12x12 xc:none -fill lime -draw 'circle 6,6 6,2' -background none ring.gif
convert -dispose None -delay 5 red.gif -page +0+0 ring.gif -loop 0 "$out/transparent-over-previous.gif"

# Animations with each disposal, frames placed inside the screen.
convert -size 6x6 xc:red -fill blue -draw 'rectangle 1,1 3,3' f1.gif
convert -size 6x6 xc:green -fill yellow -draw 'rectangle 2,2 4,4' -fill white -draw 'point 0,0' f2.gif
convert -size 6x6 xc:black -fill cyan -draw 'point 5,5' f3.gif
for disposal in none asis background previous; do
   gifsicle -w -S 12x10 --disposal "$disposal" -d 3 -l \
      -p 0,0 f1.gif -p 5,3 f2.gif -p 3,4 -t '#000000' f3.gif -o "$out/animated-dispose-$disposal.gif"
done
# Mixed disposals, and previous right after background.
gifsicle -w -S 12x12 -l=3 -D previous -p 2,2 f1.gif -D background -p 6,6 f2.gif \
   -D previous -p 1,5 f3.gif -D asis -p 0,0 f1.gif -o "$out/animated-dispose-mixed.gif"

# Local colour tables: ImageMagick keeps each frame's own palette.
convert -delay 10 f1.gif f2.gif f3.gif -loop 0 "$out/animated-local-tables.gif"
convert -dispose Background -delay 2 f1.gif -interlace GIF f2.gif -page +3+2 f3.gif \
   "$out/animated-local-interlaced.gif"

# Extensions: comments, application and unknown ones, loop counts.
gifsicle -c 'made for fuzzing' --app-extension FUZZTEST 'abcdef' \
   --extension 0x01 'plain text stand-in' -l=65535 f1.gif f2.gif -o "$out/extensions-mixed.gif"
gifsicle --no-loopcount -d 65535 f2.gif f3.gif -o "$out/animated-no-loop.gif"

# Frames bigger than or outside the screen (gifbuild checks no ranges).
cat >outside.txt <<'EOF'
screen width 4
screen height 3
screen colors 4
screen background 1
pixel aspect byte 49
screen map
	rgb 255 0 0 is a
	rgb 0 255 0 is b
	rgb 0 0 255 is c
	rgb 255 255 255 is d
end

graphics control
	disposal mode 2
	delay 1
	transparent index 3
end

image
image left 2
image top 1
image bits 6 by 4
abcdab
cdabcd
abcdab
dddddd

graphics control
	disposal mode 3
	delay 1
	transparent index -1
end

image
image left 3
image top 2
image bits 3 by 3
abc
bca
cab

graphics control
	disposal mode 3
	delay 1
	transparent index -1
end

image
image left 900
image top 2
image bits 2 by 1
ab
EOF
gifbuild outside.txt >"$out/frames-outside-screen.gif"

# A screen bigger than the fuzzer's destination, with a small frame.
convert -size 1000x700 xc:white -fill black -draw 'point 999,699' -colors 2 "$out/screen-1000x700.gif"

# ---- Written byte by byte -----------------------------------------------

# Minimum code size 1: four pixels 0 1 0 1.
{ screen 2 2 0x80; table 2; descriptor 0 0 2 2 0; lzw 1 C 0 1 4 E; bytes 3b; } >"$out/lzw-min-1.gif"

# Minimum code sizes above 8: codes past 255 keep their low byte; the
# last code is the one being defined (the KwKwK case).
for min in 9 10 11; do
   c=$(((1 << min) + 2))
   { screen 4 2 0x87; table 256; descriptor 0 0 4 2 0; lzw "$min" C 300 301 $((c + 1)) "$c" E; bytes 3b; } \
      >"$out/lzw-min-$min.gif"
done

# Minimum code sizes the codec must refuse: 0 and 12.
{ screen 2 1 0x80; table 2; descriptor 0 0 2 1 0; bytes 00 02 01 00 00; bytes 3b; } >"$out/lzw-min-0.gif"
{ screen 2 1 0x80; table 2; descriptor 0 0 2 1 0; bytes 0c 03 00 10 00 00; bytes 3b; } >"$out/lzw-min-12.gif"

# No clear code first; a clear code in the middle; a code not yet defined.
{ screen 3 3 0x81; table 4; descriptor 0 0 3 3 0; lzw 2 1 2 6 3 C 0 0 6 6 E; bytes 3b; } >"$out/lzw-no-leading-clear.gif"
{ screen 3 3 0x81; table 4; descriptor 0 0 3 3 0; lzw 2 C 1 2 C 3 3 6 7 E; bytes 3b; } >"$out/lzw-clear-midway.gif"
{ screen 3 3 0x81; table 4; descriptor 0 0 3 3 0; lzw 2 C 1 7 E; bytes 3b; } >"$out/lzw-undefined-code.gif"

# A full dictionary: with minimum size 11 the first 2046 codes fill it and
# the rest arrive with no room left; pixels past the image are dropped.
codes=()
for ((k = 0; k < 2060; k++)); do codes+=($((k % 5))); done
{ screen 64 32 0x87; table 256; descriptor 0 0 64 32 0; lzw 11 C "${codes[@]}" E; bytes 3b; } >"$out/lzw-dictionary-full.gif"

# Data that ends early: the rest of the image is missing, plain and
# interlaced, and a stream that stops before its end code.
{ screen 8 8 0x81; table 4; descriptor 0 0 8 8 0; lzw 2 C 1 2 3 1 2 E; bytes 3b; } >"$out/missing-pixels.gif"
{ screen 8 9 0x81; table 4; descriptor 0 0 8 9 0x40; lzw 2 C 1 2 3 6 7 8 9 10 11 E; bytes 3b; } >"$out/missing-pixels-interlaced.gif"
{ screen 8 8 0x81; table 4; descriptor 0 0 8 8 0; bytes 02 02 44 01; } >"$out/lzw-no-end-code.gif"

# No global table: a local one only, then none at all.
{ screen 5 4 0; descriptor 1 1 3 2 0x81; table 4; lzw 2 C 0 1 2 3 0 1 E; bytes 3b; } >"$out/table-local-only.gif"
{ screen 5 4 0; control 0 0 -1; descriptor 0 0 5 4 0; lzw 2 C 3 2 1 0 6 E; bytes 3b; } >"$out/table-none.gif"

# Empty things: a 0x0 screen with a 0x0 image, a screen with no image.
{ screen 0 0 0; descriptor 0 0 0 0 0; lzw 2 C E; bytes 3b; } >"$out/empty-image.gif"
{ screen 3 3 0x80; table 2; bytes 3b; } >"$out/empty-no-image.gif"

# Extensions the reader must skip or reject: a graphic control block of
# the wrong size, one with an extra sub-block, two in a row, a NETSCAPE
# block that is not a loop count, an application block of odd size, and
# stray bytes between blocks.
{ screen 2 2 0x80; table 2; bytes 21 f9 05 04 01 00 00 00 00; descriptor 0 0 2 2 0; lzw 2 C 0 1 0 1 E; bytes 3b; } >"$out/extension-control-size5.gif"
{ screen 2 2 0x80; table 2; bytes 21 f9 04 09 02 00 01 03 61 62 63 00; control 3 7 0; descriptor 0 0 2 2 0; lzw 2 C 0 1 0 1 E; bytes 3b; } >"$out/extension-control-twice.gif"
{ screen 2 2 0x80; table 2; bytes 21 ff 0b; printf NETSCAPE2.0; bytes 05 02 00 10 00 00 03 01 05 00 00; descriptor 0 0 2 2 0; lzw 2 C 1 1 6 E; bytes 3b; } >"$out/extension-netscape-buffering.gif"
{ screen 2 2 0x80; table 2; bytes 21 ff 0a; printf NETSCAPE2.; bytes 03 01 00 00 00; descriptor 0 0 2 2 0; lzw 2 C 1 1 6 E; bytes 3b; } >"$out/extension-application-size10.gif"
{ screen 2 2 0x80; table 2; bytes 00 7f 21 fe 02 68 69 00 ff; descriptor 0 0 2 2 0; lzw 2 C 0 1 1 0 E; bytes 00 00 3b; } >"$out/stray-bytes.gif"

# Drawing settings after the trailer: a negative offset with a second loop
# of the animation, a clip rectangle, 24 and 16 bits (see read_knobs in
# gif_fuzzer.cpp).
anim=$out/animated-dispose-previous.gif
{ cat "$anim"; bytes 11 fd fe; } >"$out/draw-negative-offset-twice.gif"
{ cat "$anim"; bytes 02 03 01 02 01 06 05; } >"$out/draw-clipped.gif"
{ cat "$out/transparent-over-previous.gif"; bytes 08 fc 02; } >"$out/draw-24bit.gif"
{ cat "$out/animated-dispose-background.gif"; bytes 0e 02 ff 01 01 03 03; } >"$out/draw-16bit-clipped.gif"

# ---- Truncated copies ---------------------------------------------------

whole=$out/animated-dispose-mixed.gif
size=$(stat -c %s "$whole")
for cut in 6 11 20 40 $((size / 2)) $((size - 2)) $((size - 1)); do
   head -c "$cut" "$whole" >"$out/truncated-at-$cut.gif"
done

ls "$out" | wc -l | xargs echo "seeds:"
