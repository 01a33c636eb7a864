#!/usr/bin/env bash
# Runs the picture fuzz target for a bounded time from a seed corpus of
# small pictures ImageMagick writes now, one or more of each format the
# decoder takes (PNG of each colour type, interlaced; JPEG, progressive and
# turned; GIF, animated; TIFF), a bitmap, which it refuses, and a few cut
# short.
# usage: picture_fuzz.sh PICTURE_FUZZ SECONDS
source "$(dirname "$0")/fuzz_lib.sh"
convert=/usr/bin/convert

$convert -size 7x5 plasma:fractal PNG24:"$seeds/rgb.png"
$convert -size 6x4 xc:'rgba(255,0,0,0.5)' PNG32:"$seeds/alpha.png"
$convert -size 9x3 gradient:black-white -type Grayscale PNG:"$seeds/grey.png"
$convert -size 8x8 gradient:red-blue PNG8:"$seeds/palette.png"
$convert -size 5x5 plasma:fractal -depth 16 PNG48:"$seeds/deep.png"
$convert -size 17x9 plasma:fractal -interlace PNG PNG24:"$seeds/interlaced.png"
$convert -size 16x8 plasma:fractal -quality 80 "$seeds/photo.jpg"
$convert -size 16x8 plasma:fractal -interlace JPEG "$seeds/progressive.jpg"
$convert -size 8x4 plasma:fractal -orient RightTop "$seeds/turned.jpg"
$convert -size 8x8 gradient:red-blue "$seeds/still.gif"
$convert -size 4x4 xc:red xc:lime -loop 0 "$seeds/animated.gif"
$convert -size 6x6 plasma:fractal -compress LZW "$seeds/lzw.tif"
$convert -size 6x6 xc:'rgba(0,0,255,0.4)' -depth 8 "$seeds/alpha.tif"
$convert -size 5x3 xc:green BMP:"$seeds/v5.bmp"
head -c 200 "$seeds/interlaced.png" >"$seeds/cut.png"
head -c 300 "$seeds/photo.jpg" >"$seeds/cut.jpg"

run_fuzzer "$1" "$2" 65536
