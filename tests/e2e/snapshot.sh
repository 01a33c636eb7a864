#!/usr/bin/env bash
# Headless snapshots: the PNG's size follows the settings, no settings file
# appears, a size beyond the offscreen context is refused, and bad command
# lines get a message instead of a crash.
# usage: snapshot.sh LUMOX
source "$(dirname "$0")/lib.sh"
lumox=$1
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
own_runtime_dir "$work"
unset DISPLAY WAYLAND_DISPLAY LUMOX_VIDEO_SOURCE

png_size() { /usr/bin/identify -format '%wx%h' "$1"; }

note "defaults: 640x480, no settings file"
"$lumox" --snapshot "$work/out.png" || fail "snapshot failed"
[ "$(png_size "$work/out.png")" = 640x480 ] || fail "size $(png_size "$work/out.png")"
[ ! -e "$XDG_CONFIG_HOME/lumox/lumox.cfg" ] || fail "a settings file was created"
[ ! -e "$XDG_CONFIG_HOME/lumox" ] || fail "the settings directory was created"

# write_settings INDEX: a defaults-like file with resolutionIndex = INDEX.
write_settings() {
  mkdir -p "$XDG_CONFIG_HOME/lumox"
  python3 - "$XDG_CONFIG_HOME/lumox/lumox.cfg" "$1" <<'PY'
import struct, sys
record = bytearray(1348)
record[1024:1034] = b"127.0.0.1\0"
struct.pack_into("<iiiiiiiii f i f iiii f", record, 1280,
                 24123, 1, 1, int(sys.argv[2]), 32, 1, 1, 0, 0, 10.0, 1, 1000.0, 1, 1, 0, 50, 0.5)
open(sys.argv[1], "wb").write(record)
PY
}

note "resolutionIndex 6 gives 320x240"
write_settings 6
before=$(md5sum <"$XDG_CONFIG_HOME/lumox/lumox.cfg")
"$lumox" --snapshot "$work/six.png" --frames 3 || fail "snapshot with index 6 failed"
[ "$(png_size "$work/six.png")" = 320x240 ] || fail "index 6 gave $(png_size "$work/six.png")"
[ "$(md5sum <"$XDG_CONFIG_HOME/lumox/lumox.cfg")" = "$before" ] || fail "the settings file changed"

note "resolutionIndex 99 and -1 fall back to the first entry"
for index in 99 -1; do
  write_settings $index
  "$lumox" --snapshot "$work/stray.png" --frames 2 || fail "snapshot with index $index failed"
  [ "$(png_size "$work/stray.png")" = 640x480 ] || fail "index $index gave $(png_size "$work/stray.png")"
done

note "--size wins; a garbage settings file does not crash"
head -c 700 /dev/urandom >"$XDG_CONFIG_HOME/lumox/lumox.cfg"
"$lumox" --snapshot "$work/sized.png" --size 200x150 --frames 1 || fail "sized snapshot failed"
[ "$(png_size "$work/sized.png")" = 200x150 ] || fail "--size gave $(png_size "$work/sized.png")"

note "bad command lines"
for args in "--snapshot" "--frames 3" "--snapshot $work/x.png --size 0x0" "--bogus" "-s --window"; do
  # shellcheck disable=SC2086
  "$lumox" $args >/dev/null 2>"$work/err"
  code=$?
  [ $code = 255 ] || fail "'$args' exited $code"
  grep -q "^lumox: " "$work/err" || fail "'$args' gave no message"
done

note "numbers with blanks are bad numbers; control bytes are not echoed"
"$lumox" --snapshot "$work/blank.png" --frames " 3" 2>"$work/err"
[ $? = 255 ] || fail "--frames ' 3' was taken"
grep -qx 'lumox: --frames needs a whole number from 1 to 100000, not " 3"' "$work/err" || fail "--frames ' 3': $(cat "$work/err")"
[ ! -e "$work/blank.png" ] || fail "--frames ' 3' wrote a PNG"
"$lumox" $'--bo\e]0;owned\agus' 2>"$work/err"
[ $? = 255 ] || fail "an option with control bytes was taken"
grep -q $'[\x01-\x08\x0b-\x1f\x7f]' "$work/err" && fail "control bytes echoed: $(od -c "$work/err")"
grep -qF 'unknown option "--bo\x1b]0;owned\x07gus"' "$work/err" || fail "echo: $(cat "$work/err")"

note "a size beyond what the offscreen context draws is refused, nothing written"
"$lumox" --snapshot "$work/huge.png" --size 16384x16384 --frames 1 2>"$work/err"
code=$?
[ $code != 0 ] && [ $code != 255 ] || fail "16384x16384 exited $code"
grep -q "^lumox: a 16384x16384 snapshot is more than this OpenGL can draw offscreen: at most [0-9]*x[0-9]* (.*)$" \
  "$work/err" || fail "16384x16384: $(cat "$work/err")"
[ ! -e "$work/huge.png" ] || fail "16384x16384 wrote a PNG"

"$lumox" --snapshot /nonexistent-dir/out.png --frames 1 2>"$work/err" && fail "unwritable PNG reported success"
grep -q "cannot write" "$work/err" || fail "no message for an unwritable PNG"
echo PASS
