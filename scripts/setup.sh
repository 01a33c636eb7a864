#!/usr/bin/env bash
# Installs every Debian package Lumox needs to build both builds and run all
# of its tests. Safe to run again: it only installs what is missing.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

packages=(
  # toolchains
  build-essential cmake ninja-build pkg-config git
  clang-14 libclang-rt-14-dev llvm-14
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  # test and benchmark libraries
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # Linux build: X11, GLX, EGL, PNG, GStreamer, GTK 3
  libx11-dev libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0 libpng-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-tools
  libgtk-3-dev
  # running and driving the saver in tests
  xvfb x11-utils x11-xserver-utils xdotool imagemagick ffmpeg python3
  xscreensaver xscreensaver-gl
  # reading lumox.xml in the tests; checking the .deb of scripts/package.sh
  libxml2-utils lintian
  # Wine: wine32 for lumox.scr itself, wine64 where 32-bit code cannot run
  wine wine32:i386 wine64
  # the Windows setup (makensis)
  nsis
  # What wine32 loads for the 32-bit saver on machines that run 32-bit code:
  # OpenGL (else CreateGLWindow fails), the X extensions behind display-mode
  # changes (else full screen becomes a captioned window) and GStreamer's
  # plugins behind Wine's DirectShow splitters (else no AVI graph).
  libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
  libxrandr2:i386 libxxf86vm1:i386 libxi6:i386 libxcursor1:i386 libxinerama1:i386
  libxcomposite1:i386 libxrender1:i386 libxext6:i386
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
elif [ "${need_update:-0}" = 1 ]; then
  $SUDO apt-get update -q
fi
echo "setup: all packages present"
