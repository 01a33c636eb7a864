#!/usr/bin/env bash
# The Linux saver on a real X server (Xvfb): --window is a captioned window of
# the configured size that ends on the window manager's close and on q;
# -s ends on Escape, and on the sixth distinct mouse position, not the fifth.
# Without a camera the run says so, in the words of this system.
# usage: x11_run.sh LUMOX WM_CLOSE
source "$(dirname "$0")/lib.sh"
lumox=$1 wm_close=$2
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null; stop_xvfb; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
own_runtime_dir "$work"
unset LUMOX_VIDEO_SOURCE
pid=

start_xvfb 1024x768x24

start() { "$lumox" "$@" 2>"$work/err" & pid=$!; }
expect_exit() {
  wait_exit "$pid" 10 || fail "$1: still running"
  [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE: $(cat "$work/err")"
}

note "--window: captioned, 640x480, ends on the window manager's close"
start --window
id=$(wait_for_window Lumox) || fail "no window: $(cat "$work/err")"
[ "$(window_size "$id")" = 640x480 ] || fail "window is $(window_size "$id")"
xprop -id "$id" WM_PROTOCOLS | grep -q WM_DELETE_WINDOW || fail "no WM_DELETE_WINDOW protocol"
xprop -id "$id" WM_NORMAL_HINTS | grep -q "program specified maximum size: 640 by 480" || fail "window can be resized"
sleep 0.5
still_running $pid || fail "--window ended by itself"
"$wm_close" "$id"
expect_exit "--window close"
[ ! -e "$XDG_CONFIG_HOME/lumox" ] || fail "a run created settings"
grep -qi "directsound" "$work/err" && fail "a notice of the Windows build: $(cat "$work/err")"
if ! compgen -G "/dev/video*" >/dev/null; then
  grep -qx "lumox: No camera was found: showing the still picture." "$work/err" ||
    fail "no notice of the missing camera: $(cat "$work/err")"
fi

note "--window: q quits; Escape and mouse movement are keys of a window"
start --window
id=$(wait_for_window Lumox) || fail "no window: $(cat "$work/err")"
xdotool mousemove --window "$id" 10 10; for i in 1 2 3 4 5 6 7 8; do xdotool mousemove --window "$id" $((20 * i)) 30; sleep 0.05; done
sleep 0.3
still_running $pid || fail "mouse movement ended a windowed run"
xdotool key --window "$id" q
expect_exit "--window q"

note "-s: covers the screen and ends on Escape"
start -s
id=$(wait_for_window Lumox) || fail "no full-screen window: $(cat "$work/err")"
[ "$(window_size "$id")" = "$(screen_size)" ] || fail "full-screen window is $(window_size "$id")"
sleep 0.3
xdotool key space
sleep 0.3
still_running $pid || fail "space ended the run"
xdotool key Escape
expect_exit "-s Escape"

note "-s: five distinct mouse positions do not end it, the sixth does"
xdotool mousemove 500 500
start -s
id=$(wait_for_window Lumox) || fail "no full-screen window: $(cat "$work/err")"
sleep 0.5
for i in 1 2 3 4 5; do
  xdotool mousemove $((100 + 10 * i)) 200
  xdotool mousemove $((100 + 10 * i)) 200  # the same position again counts once
  sleep 0.1
done
sleep 0.5
still_running $pid || fail "the fifth position ended the run"
xdotool mousemove 300 300
expect_exit "-s sixth position"
echo PASS
