#!/usr/bin/env bash
# Runs a Windows program under Wine (ctest's emulator for the Windows builds).
# A 64-bit program goes to wine64, a 32-bit one to wine. One prefix per build
# tree (or $LUMOX_WINEPREFIX), made once under a lock so tests can share it.
set -u
program=${1:?usage: wine-run.sh PROGRAM [ARGS...]}
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${LUMOX_WINEPREFIX:-}" ]; then
  # build/<preset>/... -> build/<preset>/wineprefix
  tree=$(cd "$(dirname "$program")" 2>/dev/null && pwd || echo /)
  while [ "$tree" != / ] && [ ! -f "$tree/CMakeCache.txt" ]; do tree=$(dirname "$tree"); done
  [ "$tree" = / ] && tree=$here/../build
  LUMOX_WINEPREFIX=$tree/wineprefix
fi
export WINEPREFIX=$LUMOX_WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winealsa.drv=d;winemenubuilder.exe=d;mscoree=d;mshtml=d}

# The PE optional header's magic tells 32-bit (0x10b) from 64-bit (0x20b).
# The first argument that is a file decides (so "explorer /desktop=... x.exe"
# runs x.exe's kind of Wine).
magic=
for arg in "$@"; do
  if [ -f "$arg" ]; then
    pe_offset=$(od -An -tu4 -j60 -N4 "$arg" | tr -d ' ')
    magic=$(od -An -tx2 -j$((pe_offset + 24)) -N2 "$arg" | tr -d ' ')
    break
  fi
done
if [ "$magic" = 020b ]; then loader=/usr/lib/wine/wine64; else loader=wine; fi

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    DISPLAY= "$loader" wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
) 9>"$WINEPREFIX.lock"
exec "$loader" "$@"
