#!/usr/bin/env bash
# Camera manners of a hack (XScreenSaver runs one per monitor, and one for
# the settings preview, all wanting the camera): a camera that is busy, or
# that ends or fails after some frames, leaves the still picture on screen
# and the hack drawing, until SIGTERM ends it with 0; one that is slow to
# open holds nothing up, nor does one that hangs in its open (a FIFO nobody
# writes, a camera stuck there), which SIGTERM does not wait for. The busy,
# failing and stuck cameras are the test cameras of tests/gst/test_cameras.c.
# usage: camera_manners.sh LUMOX HOST_WINDOW
source "$(dirname "$0")/lib_host.sh" "$@"
start_xvfb 640x480x24
host 320x240
picture red red

# frames: how many the hack has drawn.
frames() { wc -l <"$work/trace.txt" 2>/dev/null || echo 0; }

# run SOURCE EXPECT_VIDEO: the hack with LUMOX_VIDEO_SOURCE=SOURCE (empty:
# the first camera) on the host window, showing the red still picture: the
# source's green first if EXPECT_VIDEO is 1, then only the picture, while the
# hack keeps drawing.
run() {
  local source=${1:-the camera of ${LUMOX_TEST_CAMERAS:-}} video=$2 white red green seen=0 deadline=$((SECONDS + 60))
  rm -f "$work/trace.txt"
  LUMOX_VIDEO_SOURCE=$1 "$lumox" --root --window-id "$window" --picture "$work/red.bmp" 2>"$work/err" & pid=$!
  while ((SECONDS < deadline)); do
    still_running $pid || fail "$source: the hack ended: $(cat "$work/err")"
    shot now
    read -r white red green < <(colours "$work/now.png")
    [ "$green" -gt 200 ] && seen=1
    if [ "$green" = 0 ] && [ "$red" -gt 200 ] && { [ "$video" = 0 ] || [ $seen = 1 ]; }; then break; fi
    sleep 0.1
  done
  echo "$source: red $red, green $green, video seen $seen"
  [ "$video" = 0 ] || [ $seen = 1 ] || fail "$source: the video never showed"
  [ "$green" = 0 ] && [ "$red" -gt 200 ] || fail "$source: the still picture did not come back: $(cat "$work/err")"
  local before; before=$(frames); sleep 1
  [ "$(frames)" -gt "$before" ] || fail "$source: the hack stopped drawing"
  kill -TERM $pid
  wait_exit $pid 5 || fail "$source: SIGTERM did not end the hack within 5 s"
  [ "$EXIT_CODE" = 0 ] || fail "$source: exit code $EXIT_CODE after SIGTERM: $(cat "$work/err")"
  pid=
}

# Under AddressSanitizer these runs go without the leak check; memory errors
# are still caught. With a busy camera LeakSanitizer's tracer reads a broken
# dynamic-TLS range of the main thread ("DTLS 18 at 0x936-...") and crashes
# ("Tracer caught signal 11"), since the camera's plugins load on the
# starting thread.
[ -z "${LUMOX_TEST_ASAN:-}" ] || export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0

note "a camera that another process holds: the still picture from the start"
run "lumoxtestsrc busy=true" 0
grep -q "busy" "$work/err" || fail "no word of the busy camera: $(cat "$work/err")"

note "a source that hangs in its open: the still picture, and SIGTERM waits for nothing"
mkfifo "$work/silent"
run "filesrc location=$work/silent ! decodebin" 0
LUMOX_TEST_CAMERAS="Stuck Camera,/dev/lumox-stuck,00ff00,stuck" run "" 0

# Ten seconds of video each: a hack under the sanitizers takes seconds to
# show its first frame, and the video must be on screen for a shot or two.
note "a camera pulled out after 300 frames: its video, then the still picture"
run "lumoxtestsrc frames=300 fail=true colour=0x00ff00" 1
grep -q "video source stopped" "$work/err" || fail "no word of the failed camera: $(cat "$work/err")"

note "a stream that ends after 300 frames: the same"
run "videotestsrc is-live=true num-buffers=300 pattern=solid-color foreground-color=0xff00ff00" 1

note "a camera that takes 6 s to open: the still picture at once, its video after"
rm -f "$work/trace.txt"
started=$SECONDS
LUMOX_VIDEO_SOURCE="lumoxtestsrc start-delay=6000 colour=0x00ff00" \
  "$lumox" --root --window-id "$window" --picture "$work/red.bmp" 2>"$work/err" & pid=$!
until [ "$(frames)" -ge 3 ]; do
  still_running $pid || fail "the hack with a slow camera ended: $(cat "$work/err")"
  ((SECONDS - started < 60)) || fail "the hack with a slow camera drew nothing: $(cat "$work/err")"
  sleep 0.1
done
# A hack under the sanitizers may take longer than that to draw at all.
if ((SECONDS - started < 5)); then
  shot now
  read -r white red green < <(colours "$work/now.png")
  [ "$green" = 0 ] && [ "$red" -gt 200 ] || fail "the still picture did not show while the camera opened (red $red, green $green)"
fi
green=0
until [ "$green" -gt 200 ]; do
  ((SECONDS - started < 60)) || fail "the slow camera's video never showed: $(cat "$work/err")"
  sleep 0.2
  shot now
  read -r white red green < <(colours "$work/now.png")
done
echo "slow camera: the still picture, then its video after $((SECONDS - started)) s"
kill -TERM $pid
wait_exit $pid 5 || fail "SIGTERM did not end the hack with a slow camera within 5 s"
[ "$EXIT_CODE" = 0 ] || fail "exit code $EXIT_CODE after SIGTERM: $(cat "$work/err")"
pid=
close_host
echo PASS
