#!/usr/bin/env bash
# The Linux configuration dialog on Xvfb, driven by real key presses: an
# empty command line, /c, -c and c open it; Enter saves, Escape and the
# window manager's close save nothing; the settings file is compared byte
# for byte, including the fields the dialog does not show.
# usage: gtk_dialog.sh LUMOX WM_CLOSE SCREENSHOT.png
source "$(dirname "$0")/lib.sh"
lumox=$1 wm_close=$2 shot=$3
work=$(mktemp -d)
pid=
keeper=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; [ -n "$keeper" ] && kill $keeper 2>/dev/null; stop_xvfb; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
own_runtime_dir "$work"
# No accessibility bus on the test's display; fontconfig's caches are not
# leaks of ours (the sanitizer builds read these).
export NO_AT_BRIDGE=1
cfg=$XDG_CONFIG_HOME/lumox/lumox.cfg

# le32 HEX: the 4 bytes of a 32-bit word, little-endian.
le32() { printf "\\x${1:6:2}\\x${1:4:2}\\x${1:2:2}\\x${1:0:2}"; }
# text_field TEXT SIZE FILL: TEXT, a NUL, then FILL bytes up to SIZE.
text_field() {
  printf '%s\0' "$1"
  head -c $(($2 - ${#1} - 1)) /dev/zero | tr '\0' "$3"
}
# put FILE OFFSET HEX: overwrite one 32-bit field.
put() { le32 "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }

# The defaults, field by field from offset 1280: port 24123, aux 1, filter 1,
# resolution 0, 32 bits, full screen, frame limit on, fluctuation and
# saturation off, speed 10.0, blur on, rate 1000.0, squiggle and rotate on,
# reserved 0, 50 objects of size 0.5.
{
  head -c 1024 /dev/zero
  text_field 127.0.0.1 256 '\0'
  for h in 00005e3b 1 1 0 20 1 1 0 0 41200000 1 447a0000 1 1 0 32 3f000000; do le32 "$(printf %08x 0x$h)"; done
} >"$work/defaults.cfg"

# A hand-made file of 2000 bytes: hidden fields off their defaults, text
# behind the NULs, shown values the controls cannot show exactly.
{
  text_field /home/me/pic.bmp 1024 Z
  text_field 10.1.2.3 256 Z
  # port 7, aux 0, filter 0, resolution 7, 16 bits, windowed, limit 0,
  # fluctuate 5, saturation 0, speed 37.9, blur 0, rate 0.0, squiggle -1,
  # rotate 0, reserved, 5000 objects of size 0.0
  for h in 7 0 0 7 10 0 0 5 0 4217999a 0 0 ffffffff 0 12345678 1388 0; do le32 "$(printf %08x 0x$h)"; done
  head -c 652 /dev/urandom
} >"$work/odd.cfg"
[ "$(stat -c %s "$work/defaults.cfg")" = 1348 ] && [ "$(stat -c %s "$work/odd.cfg")" = 2000 ] || fail "test files"

start_xvfb 1024x768x24
# One client that stays connected: the server resets whenever its last
# client leaves, and a dialog connecting during a reset (while the window
# searches come and go) would find no display.
xprop -root -spy >/dev/null 2>&1 & keeper=$!

# open ARGS...: starts the dialog and waits for it to take the keyboard.
open() {
  "$lumox" "$@" 2>"$work/err" & pid=$!
  id=$(wait_for_window "Lumox Config" 20) || fail "no dialog for '$*' on $DISPLAY ($(xdpyinfo >/dev/null 2>&1 && echo up || echo down)): $(cat "$work/err")"
  xdotool windowfocus --sync "$id"
  sleep 0.2
}
expect_exit() {
  wait_exit "$pid" 10 || fail "$1: still running"
  [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE: $(cat "$work/err")"
  pid=
}
expect_file() {
  cmp "$cfg" "$2" || { od -Ad -tx4 -j1280 -N68 "$cfg"; fail "$1: the settings file differs from $2"; }
}
# The dialog's check boxes are the flags --help lists, one Tab each, but the
# camera switch, which the settings file does not hold.
checks=$("$lumox" --help | grep -- '^  --\[no-\]' | grep -vc -- '--\[no-\]camera') || fail "--help lists no flag"
check_tabs=$(printf 'Tab %.0s' $(seq "$checks"))
# Moves every control: the focus starts on OK, and Tab walks speed, the
# options, resolution, rate, size and number; the six options the file
# checks are toggled by their mnemonics.
change_every_control() {
  xdotool key --delay 40 Tab End $check_tabs Tab End Tab End Tab Home Right Right Tab Home Right Right Right Right
  xdotool key --delay 40 alt+e alt+f alt+r alt+l alt+p alt+o
}

note "no arguments: the dialog shows the defaults; Escape saves nothing"
open
import -window root "$shot" || fail "no screenshot"
geometry=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
  /Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h "+" x "+" y}')
colours=$(/usr/bin/convert "$shot" -crop "$geometry" +repage -format %k info:)
echo "dialog $geometry, $colours colours"
[ "$colours" -ge 8 ] || fail "the dialog area is nearly blank (see $shot)"
xdotool key Escape
expect_exit "Escape"
[ ! -e "$XDG_CONFIG_HOME/lumox" ] || fail "Escape created settings"

note "Enter without a settings file creates it with the defaults"
open
xdotool key Return
expect_exit "Enter"
expect_file "defaults" "$work/defaults.cfg"

note "/c on a hand-made file, Enter: what the controls show is stored, the rest kept"
cp "$work/odd.cfg" "$cfg"
cp "$work/odd.cfg" "$work/expected.cfg"
put "$work/expected.cfg" 1292 ffffffff  # resolution 7 is not offered: none selected
put "$work/expected.cfg" 1308 00000001  # fluctuate 5 is checked
put "$work/expected.cfg" 1316 42140000  # 37.9 shows 37
put "$work/expected.cfg" 1324 3f800000  # 0.0 shows the rate's minimum, 1
put "$work/expected.cfg" 1328 00000001  # squiggle -1 is checked
put "$work/expected.cfg" 1340 000003e8  # 5000 shows 1000
put "$work/expected.cfg" 1344 3dcccccd  # 0.0 shows position 1: 0.1
open /c
xdotool key Return
expect_exit "/c Enter"
expect_file "unchanged" "$work/expected.cfg"

note "-c: every control changed, then Enter"
cp "$work/odd.cfg" "$cfg"
cp "$work/odd.cfg" "$work/expected.cfg"
put "$work/expected.cfg" 1292 00000005  # 1600x1200
put "$work/expected.cfg" 1304 00000001  # options toggled
put "$work/expected.cfg" 1308 00000000
put "$work/expected.cfg" 1312 00000001
put "$work/expected.cfg" 1320 00000001
put "$work/expected.cfg" 1328 00000000
put "$work/expected.cfg" 1332 00000001
put "$work/expected.cfg" 1316 42b40000  # speed 90
put "$work/expected.cfg" 1324 461c4000  # rate 10000
put "$work/expected.cfg" 1340 00000005  # 5 objects
put "$work/expected.cfg" 1344 3e99999a  # size position 3: 0.3
open -c
change_every_control
xdotool key Return
expect_exit "-c Enter"
expect_file "changed" "$work/expected.cfg"

note "c: every control changed, then Escape; again, then the window manager's close"
cp "$work/odd.cfg" "$cfg"
open c
change_every_control
xdotool key Escape
expect_exit "Escape after changes"
expect_file "Escape" "$work/odd.cfg"
open C
change_every_control
"$wm_close" "$id"
expect_exit "close after changes"
expect_file "close" "$work/odd.cfg"

note "no display: a message and -1"
DISPLAY= "$lumox" 2>"$work/err"
code=$?
[ "$code" = 255 ] || fail "without a display the exit code is $code"
grep -q "configuration dialog" "$work/err" || fail "no message without a display: $(cat "$work/err")"
echo PASS
