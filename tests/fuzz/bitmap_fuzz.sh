#!/usr/bin/env bash
# Runs the bitmap fuzz target for a bounded time from a seed corpus of
# bitmaps ImageMagick writes now: accepted ones of several sizes and refused
# variants (palette, 32-bit, other headers, truncated).
# usage: bitmap_fuzz.sh BITMAP_FUZZ SECONDS
set -euo pipefail
fuzzer=$1 seconds=$2
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
seeds=$work/seeds corpus=$work/corpus
mkdir -p "$seeds" "$corpus"
convert=/usr/bin/convert

$convert -size 1x1 xc:'#102030' BMP3:"$seeds/one.bmp"
$convert -size 3x5 gradient:red-blue BMP3:"$seeds/three.bmp"
$convert -size 7x2 plasma:fractal BMP3:"$seeds/seven.bmp"
$convert -size 4x4 xc:'rgba(255,0,0,0.5)' -define bmp3:alpha=true BMP3:"$seeds/alpha.bmp"
$convert -size 8x8 gradient:red-blue -type Palette BMP3:"$seeds/palette.bmp"
$convert -size 5x3 xc:green BMP:"$seeds/v5.bmp"
$convert -size 5x3 xc:green -intent Undefined BMP:"$seeds/v4.bmp"
head -c 60 "$seeds/seven.bmp" >"$seeds/short.bmp"

# Exit status 0: no crash, leak or sanitizer report within the time.
"$fuzzer" -max_total_time="$seconds" -runs=50000000 -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 "$corpus" "$seeds"
