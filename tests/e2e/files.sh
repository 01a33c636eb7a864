#!/usr/bin/env bash
# The saver's files in trouble, for real: a FIFO where the settings file or
# the picture is looked for, a settings directory path longer than the saver
# takes, and a full and a read-only file system (tmpfs mounts in a private
# mount namespace). Nothing waits on a FIFO or writes into one; the settings
# file and an existing snapshot stay byte for byte when they cannot be
# written; the dialog says when OK could not save and ends as after OK.
# usage: files.sh LUMOX
source "$(dirname "$0")/lib.sh"
lumox=$1

# The mounts need a mount namespace of the test's own.
enter_private_mounts "$@" || { echo "SKIP: no private mount namespace (unshare)"; exit 77; }

work=$(mktemp -d)
pid=
keeper=
fs=$work/fs
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; [ -n "$keeper" ] && kill $keeper 2>/dev/null; stop_xvfb
      umount "$fs" 2>/dev/null; rm -rf "$work"' EXIT
unset WAYLAND_DISPLAY
export NO_AT_BRIDGE=1

png_size() { /usr/bin/identify -format '%wx%h' "$1"; }
# snapshot ARGS...: a headless run that may not wait on anything; its exit
# code in CODE, its messages in $work/err.
snapshot() {
  DISPLAY= timeout 120 "$lumox" --snapshot "$@" 2>"$work/err"
  CODE=$?
  [ "$CODE" != 124 ] || fail "the snapshot $* did not end: $(cat "$work/err")"
}
# use_config DIR: settings (and the picture) in DIR/lumox.
use_config() {
  export XDG_CONFIG_HOME=$1
  cfg=$XDG_CONFIG_HOME/lumox/lumox.cfg
}
# An odd settings file of 2000 bytes: no record the dialog would write.
make_odd() {
  { head -c 1348 /dev/zero | tr '\0' '\1'; head -c 652 /dev/urandom; } >"$1"
}

note "a FIFO named lumox.cfg: a snapshot runs with the defaults and leaves it alone"
use_config "$work/config"
mkdir -p "$XDG_CONFIG_HOME/lumox"
mkfifo "$cfg"
snapshot "$work/a.png" --frames 1
[ "$CODE" = 0 ] || fail "snapshot with a FIFO lumox.cfg: exit $CODE: $(cat "$work/err")"
[ "$(png_size "$work/a.png")" = 640x480 ] || fail "not the defaults: $(png_size "$work/a.png")"
[ -p "$cfg" ] || fail "the FIFO is gone"

note "a settings directory path longer than the saver takes: the defaults and a message, nothing made"
deep=$work/deep
while [ ${#deep} -lt 1100 ]; do deep=$deep/$(head -c 200 /dev/zero | tr '\0' x); done
use_config "$deep"
snapshot "$work/b.png" --frames 1
[ "$CODE" = 0 ] || fail "snapshot with a long settings path: exit $CODE: $(cat "$work/err")"
grep -q "^lumox: the settings directory path is too long ($((${#deep} + 6)) bytes; at most 1013): $deep/lumox\$" "$work/err" ||
  fail "messages: $(cat "$work/err")"
[ ! -e "$work/deep" ] || fail "a directory was made: $(find "$work/deep" | tail -1)"

start_xvfb 1024x768x24
# One client that stays connected (see gtk_dialog.sh).
xprop -root -spy >/dev/null 2>&1 & keeper=$!

# ok_cannot_save WHAT: the dialog opens, Enter confirms, a message titled
# "Error" says the settings were not saved; Enter on it ends the dialog
# with 0.
ok_cannot_save() {
  "$lumox" -c 2>"$work/err" & pid=$!
  press_ok "$1"
  answer_error_dialog "$pid" "$1: OK"
  pid=
  [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE: $(cat "$work/err")"
  grep -q "^lumox: The settings could not be saved" "$work/err" || fail "$1: messages: $(cat "$work/err")"
}

note "the dialog with a FIFO named lumox.cfg: it opens, and OK says it cannot save there"
use_config "$work/config"
ok_cannot_save "FIFO"
grep -qF "The settings could not be saved to $cfg (not a regular file)." "$work/err" || fail "messages: $(cat "$work/err")"
[ -p "$cfg" ] || fail "the FIFO is gone"

note "a run in a window with FIFOs as picture and settings: the errors, no wait, nothing written"
mkfifo "$XDG_CONFIG_HOME/lumox/lumox.bmp"
"$lumox" --window 2>"$work/err" & pid=$!
press_enter_on_error "FIFOs: the picture"
answer_error_dialog "$pid" "FIFOs: the settings"
pid=
[ "$EXIT_CODE" != 0 ] || fail "a failed start-up exited 0"
grep -qx "lumox: Image load failed." "$work/err" || fail "messages: $(cat "$work/err")"
grep -qxF "lumox: The settings could not be saved to $cfg (not a regular file)." "$work/err" || fail "messages: $(cat "$work/err")"
[ -p "$cfg" ] && [ -p "$XDG_CONFIG_HOME/lumox/lumox.bmp" ] || fail "a FIFO is gone"
rm "$cfg" "$XDG_CONFIG_HOME/lumox/lumox.bmp"

note "the dialog with a settings directory path too long: the defaults, and OK says so"
use_config "$deep"
ok_cannot_save "long path"
grep -q "the settings directory path is too long" "$work/err" || fail "messages: $(cat "$work/err")"
[ ! -e "$work/deep" ] || fail "a directory was made: $(find "$work/deep" | tail -1)"

mkdir "$fs"
mount -t tmpfs -o size=512k lumox-test "$fs" || fail "cannot mount a tmpfs"
use_config "$fs"
mkdir "$fs/lumox"
fill() { dd if=/dev/zero of="$fs/fill" bs=4k 2>/dev/null; true; }

note "a full file system without a settings file: OK leaves none and says why"
fill
ok_cannot_save "full, no file"
[ ! -e "$cfg" ] || fail "OK left a settings file of $(stat -c %s "$cfg") bytes"
[ -z "$(ls -A "$fs/lumox")" ] || fail "OK left $(ls -A "$fs/lumox")"
grep -qF "The settings could not be saved to $cfg (No space left on device)." "$work/err" || fail "messages: $(cat "$work/err")"

note "a full file system with a settings file: it stays byte for byte"
rm "$fs/fill"
make_odd "$cfg"
cp "$cfg" "$work/before.cfg"
fill
ok_cannot_save "full, a file"
cmp "$cfg" "$work/before.cfg" || fail "the settings file changed"
[ "$(ls -A "$fs/lumox")" = lumox.cfg ] || fail "OK left $(ls -A "$fs/lumox")"

note "a full file system: a snapshot onto an existing (smaller) PNG leaves it as it was"
rm "$fs/fill" "$cfg"
snapshot "$fs/shot.png" --size 16x12 --frames 1
[ "$CODE" = 0 ] || fail "snapshot: exit $CODE: $(cat "$work/err")"
cp "$fs/shot.png" "$work/shot.png"
fill
snapshot "$fs/shot.png" --size 320x240 --frames 2
[ "$CODE" != 0 ] || fail "a snapshot onto a full file system reported success"
grep -q "^lumox: cannot write \"$fs/shot.png\": No space left on device" "$work/err" || fail "messages: $(cat "$work/err")"
cmp "$fs/shot.png" "$work/shot.png" || fail "the PNG changed"
[ "$(ls -A "$fs")" = "$(printf 'fill\nlumox\nshot.png')" ] || fail "left behind: $(ls -A "$fs")"

note "a read-only file system: OK says so and the settings file stays; so does a PNG"
rm "$fs/fill"
make_odd "$cfg"
cp "$cfg" "$work/before.cfg"
mount -o remount,bind,ro "$fs" || fail "cannot make the tmpfs read-only"
ok_cannot_save "read-only"
grep -qF "The settings could not be saved to $cfg (Read-only file system)." "$work/err" || fail "messages: $(cat "$work/err")"
cmp "$cfg" "$work/before.cfg" || fail "the settings file changed"
use_config "$work/config"
snapshot "$fs/shot.png" --size 64x48 --frames 2
[ "$CODE" != 0 ] || fail "a snapshot onto a read-only file system reported success"
grep -q "^lumox: cannot write \"$fs/shot.png\": Read-only file system" "$work/err" || fail "messages: $(cat "$work/err")"
cmp "$fs/shot.png" "$work/shot.png" || fail "the PNG changed"
echo PASS
