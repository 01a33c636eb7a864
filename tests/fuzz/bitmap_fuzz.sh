#!/usr/bin/env bash
# Runs the bitmap fuzz target for a bounded time from a seed corpus of
# bitmaps ImageMagick writes now: accepted ones of several sizes, up to
# about 180 KiB, and refused variants (palette, 32-bit, other headers,
# truncated). Inputs reach 1 MiB.
# usage: bitmap_fuzz.sh BITMAP_FUZZ SECONDS
source "$(dirname "$0")/fuzz_lib.sh"
convert=/usr/bin/convert

$convert -size 1x1 xc:'#102030' BMP3:"$seeds/one.bmp"
$convert -size 3x5 gradient:red-blue BMP3:"$seeds/three.bmp"
$convert -size 7x2 plasma:fractal BMP3:"$seeds/seven.bmp"
$convert -size 4x4 xc:'rgba(255,0,0,0.5)' -define bmp3:alpha=true BMP3:"$seeds/alpha.bmp"
$convert -size 8x8 gradient:red-blue -type Palette BMP3:"$seeds/palette.bmp"
$convert -size 5x3 xc:green BMP:"$seeds/v5.bmp"
$convert -size 5x3 xc:green -intent Undefined BMP:"$seeds/v4.bmp"
head -c 60 "$seeds/seven.bmp" >"$seeds/short.bmp"
# Larger than 4096 bytes: a square, odd widths that need row padding, a
# long thin one, and a truncated large one.
$convert -size 64x64 plasma:fractal BMP3:"$seeds/square64.bmp"
$convert -size 101x37 gradient:yellow-navy BMP3:"$seeds/odd101.bmp"
$convert -size 2049x1 xc:orange BMP3:"$seeds/wide2049.bmp"
$convert -size 300x200 plasma:fractal BMP3:"$seeds/large300.bmp"
head -c 100000 "$seeds/large300.bmp" >"$seeds/truncated300.bmp"

run_fuzzer "$1" "$2" 1048576
