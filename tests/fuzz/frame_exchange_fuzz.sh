#!/usr/bin/env bash
# Runs the frame exchange fuzz target for a bounded time, on an offscreen Mesa
# context, from seeds made now: a format set and frames at the usual and at
# padded strides, uploaded with the capture running and stopped.
# Operations: 0 propose a format, 1 set one, 2 hand over a sample,
# 3 upload (see frame_exchange_fuzz.cpp).
# usage: frame_exchange_fuzz.sh FRAME_EXCHANGE_FUZZ SECONDS
source "$(dirname "$0")/fuzz_lib.sh"
export EGL_PLATFORM=surfaceless LIBGL_ALWAYS_SOFTWARE=1

# propose and set 160x120, a frame at the bitmap stride, upload running
printf '\x00\x00\x01\x00\x02\x04\x00\x2a\x00\x03\x01' >"$seeds/plain"
# top-down format, a frame at stride 512 just long enough, upload stopped then running
printf '\x00\x10\x01\x10\x02\x05\x20\x00\x11\x22\x03\x00\x03\x01' >"$seeds/padded"
# set, a frame one byte short, a refused 320x240 proposal, 160x120 again, a frame
printf '\x01\x00\x02\x04\xff\x01\x02\x00\x0c\x40\x01\x00\x00\xf0\x00\x00\x00' >"$seeds/refused"
printf '\x00\x00\x02\x04\x00\x05\x06\x03\x01' >>"$seeds/refused"

# Short lists of operations: each frame costs a few hundred KiB of copies
# and compares, and many short inputs explore more orders than a few long.
run_fuzzer "$1" "$2" 512
