#!/usr/bin/env bash
# --fps as XScreenSaver's GL hacks have it: the frame rate and the load in
# white, bottom left, on the hack's window; without it that corner stays
# dark. A black still picture keeps every other pixel dark.
# usage: fps_overlay.sh LUMOX HOST_WINDOW
source "$(dirname "$0")/lib_host.sh" "$@"
start_xvfb 640x480x24
host 400x300
picture black black

# corner ARGS...: a screenshot 2.5 s into a hack run with ARGS; prints the
# white pixels in the bottom-left corner and elsewhere.
corner() {
  rm -f "$work/trace.txt"
  "$lumox" --root --window-id "$window" --picture "$work/black.bmp" "$@" 2>"$work/err" & pid=$!
  sleep 2.5
  still_running $pid || fail "$*: the hack ended: $(cat "$work/err")"
  [ -s "$work/trace.txt" ] || fail "$*: nothing drawn: $(cat "$work/err")"
  shot "corner$#"
  kill -TERM $pid; wait_exit $pid 5; pid=
  read -r inside _ < <(colours "$work/corner$#.png" 0 240 200 300)
  read -r all _ < <(colours "$work/corner$#.png")
  echo "$inside $((all - inside))"
}

note "--fps: white figures bottom left, nothing white elsewhere"
read -r inside outside < <(corner --fps)
echo "with --fps: $inside white pixels in the corner, $outside elsewhere"
[ "$inside" -ge 30 ] || fail "no figures in the bottom-left corner"
[ "$outside" = 0 ] || fail "white outside the corner"

note "without --fps the corner stays dark"
read -r inside outside < <(corner)
echo "without --fps: $inside white pixels in the corner, $outside elsewhere"
[ "$inside" = 0 ] && [ "$outside" = 0 ] || fail "white pixels without --fps"
close_host
echo PASS
