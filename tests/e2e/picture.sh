#!/usr/bin/env bash
# The still picture of the Linux build: the default picture the build makes,
# where the saver finds a picture (the user's, the installed one, the one
# beside the executable), and what a broken picture does to a snapshot (an
# error, no settings file) and to a run on a display (the error dialog, then
# the settings saved with an empty path; full screen lets go of the keyboard
# for that dialog).
# usage: picture.sh LUMOX CMAKE BUILD_DIR DATA_DIR
source "$(dirname "$0")/lib.sh"
lumox=$1 cmake=$2 build_dir=$3 data_dir=$4
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; stop_xvfb; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
own_runtime_dir "$work"
unset DISPLAY WAYLAND_DISPLAY
user_picture=$XDG_CONFIG_HOME/lumox/lumox.bmp
field() { od -An -tu"$3" -j"$2" -N"$3" "$1" | tr -d ' '; }

note "the default picture: a 24-bit uncompressed bitmap with the 40-byte header"
default=$(dirname "$lumox")/lumox.bmp
[ "$(/usr/bin/identify -format '%m %wx%h' "$default")" = "BMP3 128x128" ] || fail "default picture: $(/usr/bin/identify "$default")"
[ "$(field "$default" 14 4) $(field "$default" 28 2) $(field "$default" 30 4)" = "40 24 0" ] || fail "default picture header"

note "no picture of the user's: the one beside the executable"
"$lumox" --snapshot "$work/a.png" --frames 2 2>"$work/err" || fail "snapshot failed: $(cat "$work/err")"

note "a broken picture of the user's: a message, non-zero exit, no settings file"
mkdir -p "$XDG_CONFIG_HOME/lumox"
/usr/bin/convert -size 8x8 gradient:red-blue -type Palette BMP3:"$user_picture"
"$lumox" --snapshot "$work/b.png" --frames 2 2>"$work/err" && fail "a palette picture was taken"
[ "$(grep -v 'No camera was found' "$work/err")" = "lumox: Image load failed." ] || fail "messages: $(cat "$work/err")"
[ ! -e "$XDG_CONFIG_HOME/lumox/lumox.cfg" ] || fail "a snapshot wrote the settings file"
[ ! -e "$work/b.png" ] || fail "a PNG was written"

note "a good picture of the user's is taken"
/usr/bin/convert -size 30x20 gradient:yellow-green -type TrueColor BMP3:"$user_picture"
"$lumox" --snapshot "$work/c.png" --frames 2 2>"$work/err" || fail "user picture refused: $(cat "$work/err")"
rm "$user_picture"

note "installed: the picture in <prefix>/share/lumox"
"$cmake" --install "$build_dir" --prefix "$work/prefix" >/dev/null || fail "install failed"
cmp -s "$work/prefix/share/lumox/lumox.bmp" "$default" || fail "the default picture is not installed"
"$work/prefix/bin/lumox" --snapshot "$work/d.png" --frames 2 2>"$work/err" || fail "installed: $(cat "$work/err")"

note "a directory or a FIFO as the user's picture is refused as an invalid file, not passed over or waited on"
mkdir -p "$user_picture"
"$lumox" --snapshot "$work/u.png" --frames 2 2>"$work/err" && fail "ran on the default picture"
[ "$(grep -v 'No camera was found' "$work/err")" = "lumox: Image load failed." ] || fail "messages: $(cat "$work/err")"
rmdir "$user_picture"
mkfifo "$user_picture"
timeout 30 "$lumox" --snapshot "$work/u.png" --frames 2 2>"$work/err"
code=$?
[ $code != 124 ] || fail "the snapshot waited on a FIFO named lumox.bmp"
[ $code != 0 ] || fail "ran on the default picture"
[ "$(grep -v 'No camera was found' "$work/err")" = "lumox: Image load failed." ] || fail "messages: $(cat "$work/err")"
[ -p "$user_picture" ] || fail "the FIFO is gone"
rm "$user_picture"

note "no picture anywhere: the user's path is named"
mkdir -p "$work/lonely"
cp "$lumox" "$work/lonely/lumox"
if [ ! -e "$data_dir/lumox/lumox.bmp" ]; then
  "$work/lonely/lumox" --snapshot "$work/e.png" --frames 2 2>"$work/err" && fail "ran without a picture"
  grep -qx "lumox: Open for $user_picture failed" "$work/err" || fail "messages: $(cat "$work/err")"
  grep -qx "lumox: Image load failed." "$work/err" || fail "messages: $(cat "$work/err")"
fi

note "a broken picture on a display: the error dialog, then the settings saved"
printf 'BM broken' >"$user_picture"
start_xvfb 1024x768x24
"$lumox" --window 2>"$work/err" & pid=$!
answer_error_dialog "$pid" "a broken picture"
pid=
[ "$EXIT_CODE" != 0 ] || fail "a failed start-up exited 0"
grep -qx "lumox: Image load failed." "$work/err" || fail "messages: $(cat "$work/err")"
grep -q "cannot open the OpenGL window" "$work/err" && fail "the window failure was reported too"
cfg=$XDG_CONFIG_HOME/lumox/lumox.cfg
[ "$(stat -c %s "$cfg")" = 1348 ] || fail "no settings file saved"
[ "$(field "$cfg" 0 1)" = 0 ] || fail "pathText not cleared"
[ "$(field "$cfg" 1340 4)" = 50 ] || fail "the defaults were not saved"

note "full screen: the error dialog lies above the window, which lets go of the keyboard for it"
for key in Return Escape; do
  "$lumox" -s 2>"$work/err" & pid=$!
  wait_for_window Error 20 >/dev/null || fail "no error dialog in full screen: $(cat "$work/err")"
  top=$(xwininfo -root -children | awk '/"Error"/ {print "Error"; exit} /"Lumox"/ {print "Lumox"; exit}')
  [ "$top" = Error ] || fail "the error dialog lies under the full-screen window"
  # The pointer on the full-screen window: the key must reach the dialog all the same.
  xdotool mousemove 5 5
  xdotool key $key
  wait_exit "$pid" 10 || fail "$key did not close the error dialog of a full-screen run"
  pid=
  [ "$EXIT_CODE" != 0 ] || fail "a failed full-screen start-up exited 0"
done
echo PASS
