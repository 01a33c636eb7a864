#!/usr/bin/env bash
# lumox.scr /c under Wine on the test's X server, driven by real key
# presses: the dialog appears (a screenshot is kept beside the test),
# Escape cancels without creating a settings file, Alt+E toggles the first
# check box and Enter confirms and saves.
# usage: wine_dialog.sh LUMOX.SCR WINE-RUN.SH WINEPREFIX SCREENSHOT.png
source "$(dirname "$0")/../e2e/lib.sh"
scr=$1 wine_run=$2 prefix=$3 shot=$4
cfg=$prefix/drive_c/windows/lumox.cfg
work=$(mktemp -d)
pid=
[ -f "$cfg" ] && cp "$cfg" "$work/kept.cfg"
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -f "$cfg"
  [ -f "$work/kept.cfg" ] && cp "$work/kept.cfg" "$cfg"
  rm -rf "$work"
}
trap cleanup EXIT
[ -n "${DISPLAY:-}" ] || fail "needs an X display (run under scripts/with-xvfb.sh)"
rm -f "$cfg"

expect_exit() {
  wait_exit "$pid" 20 || fail "$1: still running"
  [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE"
  pid=
}
# field OFFSET: the 4 bytes there as one hex word (little-endian).
field() { od -An -tx4 -j "$1" -N4 "$cfg" | tr -d ' '; }

note "/c shows the dialog; Escape cancels and creates no file"
"$wine_run" "$scr" /c & pid=$!
id=$(wait_for_window "Lumox Config" 60) || fail "no dialog"
sleep 1
geometry=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
  /Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h "+" x "+" y}')
import -window root "$shot" || fail "no screenshot"
# The dialog face is light and carries text and controls: many colours.
colours=$(/usr/bin/convert "$shot" -crop "$geometry" +repage -format %k info:)
brightness=$(/usr/bin/convert "$shot" -crop "$geometry" +repage -colorspace Gray -format '%[fx:int(mean*100)]' info:)
echo "dialog $geometry: $colours colours, brightness $brightness%"
[ "$colours" -ge 8 ] && [ "$brightness" -ge 50 ] || fail "the dialog area does not look like a dialog (see $shot)"
xdotool key Escape
expect_exit "Escape"
[ ! -e "$cfg" ] || fail "Escape created $cfg"

note "Alt+E toggles \"Extra saturation\"; Enter confirms and saves"
"$wine_run" "$scr" /c & pid=$!
id=$(wait_for_window "Lumox Config" 60) || fail "no dialog"
sleep 1
xdotool key alt+e
sleep 0.3
xdotool key Return
expect_exit "Enter"
[ -f "$cfg" ] || fail "Enter saved nothing"
[ "$(stat -c %s "$cfg")" = 1348 ] || fail "settings file is $(stat -c %s "$cfg") bytes"
[ "$(field 1312)" = 00000001 ] || fail "extraSaturation is $(field 1312)"
[ "$(field 1316)" = 41200000 ] || fail "outwardSpeed is $(field 1316), not 10.0"
[ "$(field 1296)" = 00000020 ] || fail "colorBits is $(field 1296), not the default 32"
echo PASS
