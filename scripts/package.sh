#!/usr/bin/env bash
# Builds every package of Lumox this machine can build into build/packages/.
# Each kind of package has a function of its own below; the version is
# CMake's (project(lumox VERSION ...)), as each build's cache reports it.
#   lumox-VERSION-setup.exe   Windows setup: 32-bit NSIS installer of lumox.scr
#   lumox_VERSION_amd64.deb   Debian package of the Linux build, with CPack,
#                             checked with lintian
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh package

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

# The Debian package: a release build with Debian's hardening flags,
# installed under /usr, stripped, with the dependencies dpkg-shlibdeps
# computes. lintian must find no error in it.
package_deb() {
  local build=$PWD/build/package-deb
  echo "=== build package-deb"
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  CFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)"     CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"     LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"     cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DLUMOX_TESTS=OFF -DLUMOX_BENCH=OFF >/dev/null
  cmake --build "$build" -j "$jobs"
  rm -rf "$build/cpack"
  (cd "$build" && cpack -G DEB -B "$build/cpack" >/dev/null)
  local deb
  deb=$(find "$build/cpack" -maxdepth 1 -name 'lumox_*.deb' -print -quit)
  [ -n "$deb" ] || { echo "package.sh: CPack made no .deb" >&2; return 1; }
  lintian --fail-on error --info "$deb"
  deliver "$deb"
}

package_windows_setup
package_deb
