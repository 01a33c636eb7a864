#!/usr/bin/env bash
# Runs the programs-list fuzz target for a bounded time from seeds shaped
# like XScreenSaver's settings files: the system's own list when installed,
# and small lists of every shape.
# usage: xscreensaver_programs_fuzz.sh FUZZER SECONDS
set -euo pipefail
fuzzer=$1 seconds=$2
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
seeds=$work/seeds corpus=$work/corpus
mkdir -p "$seeds" "$corpus"

defaults=/etc/X11/app-defaults/XScreenSaver
[ -r "$defaults" ] && sed -n '/^\*programs:/,/^$/p' "$defaults" | sed 's/^\*programs:/programs:/' | head -c 8192 >"$seeds/system"
printf 'programs:\t\\\n\t\tmaze -root \\n\\\n-\tGL: "Q" qix -root \\n\n\nmode: one\n' >"$seeds/continued"
printf 'timeout: 0:10:00\nprograms: qix -root' >"$seeds/single"
printf 'textLiteral: x \\\nprograms: a\n' >"$seeds/inside"

"$fuzzer" -max_total_time="$seconds" -runs=50000000 -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 "$corpus" "$seeds"
