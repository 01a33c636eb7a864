#!/usr/bin/env bash
# Runs the command-line fuzz target for a bounded time from the command
# lines the saver meets: the Windows switches as the control panel and a
# user type them, XScreenSaver's hack command lines and the Linux options.
# Each seed is a flags byte, then the arguments separated by NUL bytes.
# usage: command_line_fuzz.sh COMMAND_LINE_FUZZ SECONDS
source "$(dirname "$0")/fuzz_lib.sh"

n=0
seed() {  # FLAGS ARG...: one seed file
  local flags=$1
  shift
  { printf "\\x$flags"; printf '%s\0' "$@"; } >"$seeds/$((n += 1))"
}
seed 00 lumox
seed 00 'C:\WINDOWS\LUMOX.SCR' /s
seed 00 '"C:\Program Files\lumox.scr"' /p 1234
seed 02 '"C:\Program Files\lumox.scr"' /c:65570
seed 01 lumox.scr /a 4242
seed 00 lumox -s
seed 00 lumox /l 987654321
seed 00 lumox --root
seed 04 lumox -root 0x3a00007
seed 00 lumox --root --window-id 0x1c00004 --fps
seed 00 lumox --window
seed 00 lumox --snapshot out.png --frames 3 --size 320x240 --start-ms 1000 --step-ms 16 --seed 7
seed 00 lumox --help
seed 00 lumox --version
seed 00 lumox --add-to-xscreensaver
seed 00 lumox --root --speed 40 --no-blur --count 1000 --object-size 2.5 --delay 20000 --picture p.bmp --device cam
seed 00 lumox -s -no-fluctuate -saturation --limit-frame-rate --no-squiggle -rotate --pulse-rate 1e3

run_fuzzer "$1" "$2" 4096
