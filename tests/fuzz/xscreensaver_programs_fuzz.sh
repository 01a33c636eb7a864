#!/usr/bin/env bash
# Runs the programs-list fuzz target for a bounded time from seeds shaped
# like XScreenSaver's settings files: the system's own list when installed,
# and small lists of every shape.
# usage: xscreensaver_programs_fuzz.sh FUZZER SECONDS
source "$(dirname "$0")/fuzz_lib.sh"

defaults=/etc/X11/app-defaults/XScreenSaver
if [ -r "$defaults" ]; then
  # Cut to size afterwards: head in the pipe would end sed with SIGPIPE, and
  # pipefail the script, whenever the list is longer.
  sed -n '/^\*programs:/,/^$/p' "$defaults" | sed 's/^\*programs:/programs:/' >"$seeds/system"
  truncate -s '<8192' "$seeds/system"
fi
printf 'programs:\t\\\n\t\tmaze -root \\n\\\n-\tGL: "Q" qix -root \\n\n\nmode: one\n' >"$seeds/continued"
printf 'timeout: 0:10:00\nprograms: qix -root' >"$seeds/single"
printf 'textLiteral: x \\\nprograms: a\n' >"$seeds/inside"
printf 'Programs :\tqix \\n\\\r\n*programs: a\nPROGRAMS: b\\\\x' >"$seeds/names"

run_fuzzer "$1" "$2" 4096
