#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds both builds and runs every test:
# the Linux build natively and under AddressSanitizer + UBSan, its fuzz
# targets, its capture tests under ThreadSanitizer, and the Windows build's
# tests and lumox.scr under Wine on Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh test

jobs=$(nproc)
build() {
  echo "=== build $1"
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
}

build linux
ctest --preset linux -j "$jobs"

build linux-asan
ctest --preset linux-asan -j "$jobs"

# The fuzz targets (clang, libFuzzer), each for a bounded time.
build linux-fuzz
ctest --preset linux-fuzz -j "$jobs"

# The capture thread's frame exchange under ThreadSanitizer.
echo "=== build linux-tsan (capture tests)"
cmake --preset linux-tsan >/dev/null
cmake --build --preset linux-tsan -j "$jobs" --target gst_capture_tests
ctest --preset linux-tsan -L capture

# The product: lumox.scr, a 32-bit PE.
build windows
# Where the kernel runs 32-bit code its tests run under wine32 too; on
# machines without IA-32 emulation the same sources are tested as 64-bit
# programs under wine64; so they are where set-up could not install the
# 32-bit runtime wine32 needs.
if ! ./scripts/setup.sh has-i386-runtime; then
  windows_path="windows-x64 under wine64 (the 32-bit runtime for wine32 is not installed)"
elif ! /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
  windows_path="windows-x64 under wine64 (this kernel does not run 32-bit programs)"
else
  windows_path="windows (lumox.scr) under wine32, and windows-x64 under wine64"
  ./scripts/with-xvfb.sh "$PWD/build/windows/wineprefix" ctest --preset windows
fi
echo "=== Windows tests: $windows_path"
build windows-x64
./scripts/with-xvfb.sh "$PWD/build/windows-x64/wineprefix" ctest --preset windows-x64

echo "=== all tests passed; the Windows path that ran: $windows_path"
