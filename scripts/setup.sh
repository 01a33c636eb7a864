#!/usr/bin/env bash
# Installs the Debian packages Lumox needs, by need. Safe to run again: it
# only installs what is missing.
#
#   setup.sh run        the Linux build and the saver (scripts/run.sh)
#   setup.sh test       that, plus every test's tools: clang, mingw-w64, Wine,
#                       Xvfb, XScreenSaver, NSIS... (scripts/test.sh)
#   setup.sh package    that of run, plus mingw-w64 i686, NSIS and lintian
#                       (scripts/package.sh)
#   setup.sh has-i386-runtime
#                       exit 0 when wine32 and the 32-bit runtime it loads
#                       for lumox.scr are installed; installs nothing
#
# A package index that cannot be fetched (a mirror in the middle of a sync
# serves a stale index for one architecture) does not stop set-up: the
# install decides. The 32-bit runtime behind wine32 is a step of its own
# that may fail; the tests then run the Windows sources as 64-bit programs.
set -euo pipefail

level=${1:-test}

run_packages=(
  build-essential cmake ninja-build pkg-config
  # the Linux build: X11, GLX, EGL, PNG, GStreamer, GTK 3; GoogleTest, which
  # configuring the build's tests needs
  libx11-dev libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0 libpng-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  libgtk-3-dev
  googletest libgtest-dev libgmock-dev
)
windows_packages=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  nsis
)
test_packages=(
  git clang-14 libclang-rt-14-dev llvm-14 libbenchmark-dev gstreamer1.0-tools
  "${windows_packages[@]}"
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  # running and driving the saver in tests
  xvfb x11-utils x11-xserver-utils xdotool imagemagick ffmpeg python3
  xscreensaver xscreensaver-gl
  # reading lumox.xml in the tests
  libxml2-utils lintian
  # Wine: wine64 runs the Windows tests where 32-bit code cannot run
  wine wine64
)
package_packages=(
  "${windows_packages[@]}"
  dpkg-dev lintian
)
# What wine32 loads for the 32-bit saver on machines that run 32-bit code:
# OpenGL (else CreateGLWindow fails), the X extensions behind display-mode
# changes (else full screen becomes a captioned window) and GStreamer's
# plugins behind Wine's DirectShow splitters (else no AVI graph).
i386_packages=(
  wine32:i386
  libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
  libxrandr2:i386 libxxf86vm1:i386 libxi6:i386 libxcursor1:i386 libxinerama1:i386
  libxcomposite1:i386 libxrender1:i386 libxext6:i386
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
)

case "$level" in
  run) wanted=("${run_packages[@]}") ;;
  test) wanted=("${run_packages[@]}" "${test_packages[@]}") ;;
  package) wanted=("${run_packages[@]}" "${package_packages[@]}") ;;
  has-i386-runtime) ;;
  *) echo "usage: setup.sh [run|test|package|has-i386-runtime]" >&2; exit 2 ;;
esac

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# missing PACKAGE...: the packages not installed yet, one a line.
missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

if [ "$level" = has-i386-runtime ]; then
  [ -z "$(missing "${i386_packages[@]}")" ]
  exit
fi

# Fetches the package indexes, three tries; an index that still fails is
# left to the install (apt keeps what it has, and says what it lacks).
updated=0
update() {
  [ "$updated" = 1 ] && return 0
  updated=1
  local try
  for try in 1 2 3; do
    if $SUDO apt-get update -q; then return 0; fi
    echo "setup: apt-get update failed (try $try of 3)" >&2
    sleep $((try * 5))
  done
  echo "setup: some package indexes could not be fetched; installing from what there is" >&2
}

mapfile -t need < <(missing "${wanted[@]}")
if [ "${#need[@]}" -gt 0 ]; then
  update
  $SUDO apt-get install -y -q --no-install-recommends "${need[@]}"
fi

# The 32-bit runtime, for the test command alone, on its own: it may be
# impossible to install (a stale i386 index, or amd64 packages newer than
# the i386 ones that Multi-Arch needs to match).
if [ "$level" = test ]; then
  mapfile -t need < <(missing "${i386_packages[@]}")
  if [ "${#need[@]}" -gt 0 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      $SUDO dpkg --add-architecture i386
      updated=0
    fi
    update
    log=$(mktemp)
    if ! $SUDO apt-get install -y -q --no-install-recommends "${need[@]}" >"$log" 2>&1; then
      echo "setup: the 32-bit runtime (wine32) cannot be installed here ($(grep -m1 '^E:' "$log" || echo 'apt-get failed'));" \
           "the Windows tests will run as 64-bit programs"
    fi
    rm -f "$log"
  fi
fi
echo "setup: the packages for '$level' are present"
