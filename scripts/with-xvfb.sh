#!/usr/bin/env bash
# Runs a command with DISPLAY on a private Xvfb (640x480x24, a size the
# Windows saver's mode change reaches), then stops the Wine servers of the
# given prefix and the X server, in that order.
# usage: with-xvfb.sh WINEPREFIX COMMAND...
set -u
prefix=$1; shift
source "$(dirname "$0")/../tests/e2e/lib.sh"
start_xvfb 640x480x24
"$@"
code=$?
WINEPREFIX=$prefix wineserver -k 2>/dev/null
stop_xvfb
exit $code
