#!/usr/bin/env bash
# Puts the default picture where the Windows installer does, into the Wine
# prefix's Windows directory (C:\windows), making the prefix if needed.
# usage: install_picture.sh WINE-RUN.SH PROGRAM.EXE PICTURE DEFAULT_PREFIX
set -euo pipefail
wine_run=$1 program=$2 picture=$3
prefix=${LUMOX_WINEPREFIX:-$4}
LUMOX_WINEPREFIX=$prefix "$wine_run" "$program" --gtest_filter=NoSuchTest >/dev/null 2>&1
cp "$picture" "$prefix/drive_c/windows/lumox.bmp"
