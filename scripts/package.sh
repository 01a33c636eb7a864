#!/usr/bin/env bash
# Builds every package this machine can build into build/packages/, one
# function per kind of package; the version is CMake's project(lumox VERSION).
#   package_deb: lumox_VERSION_ARCH.deb with CPack, checked with lintian
set -euo pipefail
cd "$(dirname "$0")/.."
packages=$PWD/build/packages
jobs=$(nproc)

# The Debian package of the Linux build: a release build with Debian's
# hardening flags, installed under /usr, stripped, with the dependencies
# dpkg-shlibdeps computes. lintian, when installed, must find no error in it.
package_deb() {
  local build=$PWD/build/package-deb
  echo "=== .deb"
  local flags
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  flags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
  CFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)" CXXFLAGS="$flags" \
    LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DLUMOX_TESTS=OFF >/dev/null
  cmake --build "$build" -j "$jobs"
  rm -rf "$build/cpack"
  (cd "$build" && cpack -G DEB -B "$build/cpack" >/dev/null)
  local deb
  deb=$(find "$build/cpack" -maxdepth 1 -name 'lumox_*.deb' -print -quit)
  [ -n "$deb" ] || { echo "package.sh: CPack made no .deb" >&2; return 1; }
  mkdir -p "$packages"
  cp "$deb" "$packages/"
  deb=$packages/$(basename "$deb")
  if command -v lintian >/dev/null; then
    lintian --fail-on error --info "$deb"
  else
    echo "package.sh: lintian is not installed; the .deb is not checked"
  fi
  echo "$deb"
}

package_deb
