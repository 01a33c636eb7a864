#!/usr/bin/env bash
# Builds every package of Lumox this machine can build into build/packages/.
# Each kind of package has a function of its own below; the version is
# CMake's (project(lumox VERSION ...)), as each build's cache reports it.
#   lumox-VERSION-setup.exe   Windows setup: 32-bit NSIS installer of lumox.scr
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

out=$PWD/build/packages
jobs=$(nproc)
mkdir -p "$out"

# build PRESET TARGET...: configures the preset and builds the targets.
build() {
  local preset=$1; shift
  echo "=== build $preset: $*"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" --target "$@"
}

# version PRESET: the version the preset's build was configured with.
version() {
  sed -n 's/^LUMOX_PACKAGE_VERSION:INTERNAL=//p' "build/$1/CMakeCache.txt"
}

# deliver FILE: copies a package into build/packages.
deliver() {
  cp "$1" "$out/"
  echo "package: $out/$(basename "$1")"
}

package_windows_setup() {
  build windows setup
  deliver "build/windows/lumox-$(version windows)-setup.exe"
}

package_windows_setup
