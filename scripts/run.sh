#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the Linux saver and runs it: in a
# window when there is a display, else a headless snapshot.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh run
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$(nproc)" --target lumox
if [ -n "${DISPLAY:-}" ]; then
  exec ./build/linux/src/lumox --window
fi
out=$PWD/build/lumox-snapshot.png
./build/linux/src/lumox --snapshot "$out"
echo "no DISPLAY: wrote a snapshot to $out"
