#!/usr/bin/env bash
# The Linux host on Xvfb: the Windows switches and their exit codes, drawing
# on another program's window (/p ID, --root with $XSCREENSAVER_WINDOW,
# --window-id) at that window's size and following its resizes, no input
# ending such a run, exit 0 on SIGTERM and on the window's destruction, and a
# quick end when the X server goes away.
# usage: linux_host.sh LUMOX HOST_WINDOW
source "$(dirname "$0")/lib_host.sh" "$@"
start_xvfb 800x600x24

note "refused switches end with -1 and a message; no switch and /c reach the dialog"
for args in "/x" "/p" "/p:1234" "/p 0" "/a" "-sx" "--cycles 3"; do
  # shellcheck disable=SC2086
  "$lumox" $args 2>"$work/err"; code=$?
  [ "$code" = 255 ] || fail "$args: exit code $code"
  [ -s "$work/err" ] || fail "$args: no message"
done
"$lumox" "$(printf '\t/s')" 2>/dev/null; [ $? = 255 ] || fail "a tab before /s is not refused"
"$lumox" /p 12345 2>"$work/err"; [ $? = 255 ] || fail "/p on a window that does not exist"
grep -q "no window" "$work/err" || fail "/p on a missing window: $(cat "$work/err")"
for args in "" "/c" "/c:1234"; do
  # shellcheck disable=SC2086
  "$lumox" $args 2>"$work/err" &
  dialog=$!
  id=$(wait_for_window "Lumox Config" 30) || fail "\"$args\" did not reach the dialog: $(cat "$work/err")"
  xdotool windowfocus --sync "$id" 2>/dev/null; sleep 0.3
  xdotool key Escape
  wait_exit $dialog 10 || fail "\"$args\": Escape did not end the dialog"
done
[ ! -e "$work/trace.txt" ] || fail "a refused switch drew frames"

tell() { echo "$1" >&3; read -r -t 10 _ <&4 || fail "host window did not answer"; }
frames_at() {
  local n; n=$(grep -c "viewport $1 window $window " "$work/trace.txt" 2>/dev/null); echo "${n:-0}"
}
wait_frames() {  # wait_frames SIZE: until frames of SIZE are drawn on $window
  local i
  for ((i = 0; i < 100; i++)); do
    [ "$(frames_at "$1")" -ge 5 ] && return 0
    sleep 0.1
  done
  fail "no frames at $1 on $window: $(tail -n 1 "$work/trace.txt" 2>/dev/null) $(cat "$work/err")"
}

note "--root --window-id: draws at the window's size, follows its resize, ignores input, SIGTERM ends it with 0"
host 320x200
# The daemon's variable names another window: --window-id wins.
XSCREENSAVER_WINDOW=0x12345 "$lumox" --root --window-id "$window" 2>"$work/err" & pid=$!
wait_frames 320x200
tell "size 400 300"
wait_frames 400x300
xdotool mousemove 50 50 click 1 mousemove 300 300 key Escape key q
sleep 0.5
still_running $pid || fail "input ended a run on another program's window"
kill -TERM $pid
wait_exit $pid 15 || fail "SIGTERM did not end the run"
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE after SIGTERM: $(cat "$work/err")"
pid=

note "--root with a picture it cannot read: says so, draws on and writes no settings; the preview ends and saves them"
cfg=$XDG_CONFIG_HOME/lumox/lumox.cfg
mkdir -p "$XDG_CONFIG_HOME/lumox"
printf 'BM not a picture' >"$XDG_CONFIG_HOME/lumox/lumox.bmp"
for settings in none short; do
  [ $settings = short ] && printf 'x' >"$cfg"
  rm -f "$work/trace.txt"
  "$lumox" --root --window-id "$window" 2>"$work/err" & pid=$!
  wait_frames 400x300
  grep -q "Image load failed." "$work/err" || fail "no message for the broken picture: $(cat "$work/err")"
  kill -TERM $pid
  wait_exit $pid 15 || fail "SIGTERM did not end the run without a picture"
  [ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE without a picture: $(cat "$work/err")"
  pid=
  case $settings in
    none) [ ! -e "$cfg" ] || fail "the hack wrote a settings file" ;;
    short) [ "$(cat "$cfg")" = x ] || fail "the hack rewrote a 1-byte settings file ($(stat -c %s "$cfg") bytes)" ;;
  esac
done
rm "$cfg"
"$lumox" /p "$((window))" 2>"$work/err"; code=$?
[ "$code" != 0 ] || fail "a preview without its picture ran"
grep -q "Image load failed." "$work/err" || fail "the preview gave no message: $(cat "$work/err")"
[ "$(stat -c %s "$cfg")" = 1348 ] || fail "the preview that ended for its picture saved no settings"
rm -f "$XDG_CONFIG_HOME/lumox/lumox.bmp" "$cfg"

note "--root with \$XSCREENSAVER_WINDOW: draws on that window and ends with 0 when it is destroyed"
rm -f "$work/trace.txt"
XSCREENSAVER_WINDOW=$window "$lumox" --root --fps 2>"$work/err" & pid=$!
wait_frames 400x300
tell destroy
wait_exit $pid 15 || fail "the window's destruction did not end the run"
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE after DestroyNotify: $(cat "$work/err")"
pid=
close_host

note "/p ID (decimal): a preview on the window, ended by its destruction"
host 152x112
rm -f "$work/trace.txt"
"$lumox" /p "$((window))" 2>"$work/err" & pid=$!
wait_frames 152x112
xdotool mousemove 20 20 click 1 key space
sleep 0.3
still_running $pid || fail "input ended the preview"
tell destroy
wait_exit $pid 15 || fail "the preview did not end with its window"
[ "$EXIT_CODE" = 0 ] || fail "preview exit code $EXIT_CODE: $(cat "$work/err")"
pid=
close_host

note "--root on the root window; a lost X server ends the program at once"
rm -f "$work/trace.txt"
window=$(xwininfo -root | awk '/Window id:/ {print $4}')
"$lumox" --root 2>"$work/err" & pid=$!
wait_frames 800x600
stop_xvfb
wait_exit $pid 15 || fail "still running 15 s after the X server went away"
grep -q "lost the connection" "$work/err" || fail "no message for the lost display: $(cat "$work/err")"
pid=
echo PASS
