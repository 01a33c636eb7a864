#!/usr/bin/env bash
# The camera switch: a run of each kind given --no-camera makes no video
# source at all, although LUMOX_VIDEO_SOURCE names one (the test camera of
# tests/gst/test_cameras.c, which creates its mark file as it is made), and
# never even starts GStreamer (which creates GST_DEBUG_FILE as it starts);
# it shows the still picture, and a snapshot is byte for byte that of a run
# without a camera. The last of --camera and --no-camera counts, and runs
# with the camera on, as controls, do make the source.
# usage: camera_switch.sh LUMOX HOST_WINDOW
source "$(dirname "$0")/lib_host.sh" "$@"
unset LUMOX_TEST_CAMERAS
start_xvfb 640x480x24
host 320x240
picture red red
shot_args=(--size 160x120 --frames 10 --picture "$work/red.bmp")

note "the reference: a snapshot without a camera (a source that cannot be made)"
LUMOX_VIDEO_SOURCE=nosuchelement "$lumox" --snapshot "$work/none.png" "${shot_args[@]}" 2>"$work/err" ||
  fail "the reference snapshot failed: $(cat "$work/err")"

frames() { wc -l 2>/dev/null <"$work/trace.txt" || echo 0; }

# launch N MODE SWITCH...: a run of MODE (snapshot, window, hack, preview)
# with the switches, on the green test camera that marks $work/made-N, and
# GStreamer's debug file $work/gst-N; it runs in the background ($pid) but
# for a snapshot, which writes $work/shot-N.png.
launch() {
  local n=$1 mode=$2
  shift 2
  rm -f "$work/trace.txt"
  export LUMOX_VIDEO_SOURCE="lumoxtestsrc colour=0x00ff00 mark=$work/made-$n" GST_DEBUG_FILE=$work/gst-$n
  case $mode in
    snapshot) "$lumox" --snapshot "$work/shot-$n.png" "${shot_args[@]}" "$@" 2>"$work/err" ||
                fail "case $n: the snapshot failed: $(cat "$work/err")" ;;
    window) "$lumox" --window --picture "$work/red.bmp" "$@" 2>"$work/err" & pid=$! ;;
    hack) "$lumox" --root --window-id "$window" --picture "$work/red.bmp" "$@" 2>"$work/err" & pid=$! ;;
    preview) "$lumox" /p $((window)) --picture "$work/red.bmp" "$@" 2>"$work/err" & pid=$! ;;
  esac
  unset LUMOX_VIDEO_SOURCE GST_DEBUG_FILE
}

# until_drawn N CAMERA: waits for the run's fifth frame and, with the camera
# on, for its source to be made; then looks at what it drew (the still
# picture's red, or with the camera the video's green) and ends it.
until_drawn() {
  local n=$1 camera=$2 deadline=$((SECONDS + 60)) white red green id=$window
  until [ "$(frames)" -ge 5 ] && { [ "$camera" = 0 ] || [ -e "$work/made-$n" ]; }; do
    still_running $pid || fail "case $n: the run ended: $(cat "$work/err")"
    ((SECONDS < deadline)) || fail "case $n: no frames, or no source, within 60 s: $(cat "$work/err")"
    sleep 0.1
  done
  if [ "$camera" = 0 ]; then
    [ "$mode" = window ] && { id=$(wait_for_window Lumox 10) || fail "case $n: no window"; }
    /usr/bin/import -window "$id" "$work/now.png" 2>/dev/null || fail "case $n: no screenshot"
    read -r white red green < <(colours "$work/now.png")
    [ "$green" = 0 ] && [ "$red" -gt 200 ] || fail "case $n: not the still picture (red $red, green $green)"
  fi
  kill -TERM $pid
  wait_exit $pid 10 || fail "case $n: SIGTERM did not end the run"
  [ "$EXIT_CODE" = 0 ] || fail "case $n: exit code $EXIT_CODE: $(cat "$work/err")"
  pid=
}

# MODE | CAMERA (1: a source is made) | switches
cases=(
  "snapshot|0|--no-camera"
  "snapshot|0|--camera --no-camera"
  "snapshot|1|--no-camera --camera"
  "snapshot|1|"
  "window|0|--no-camera"
  "hack|0|-no-camera"
  "preview|0|--no-camera"
  "hack|1|--camera"
)
n=0
for row in "${cases[@]}"; do
  n=$((n + 1))
  IFS='|' read -r mode camera switches <<<"$row"
  read -r -a words <<<"$switches"
  note "case $n: $mode ${switches:-(no switch)}: $([ "$camera" = 1 ] && echo "a source is made" || echo "no source")"
  launch $n "$mode" "${words[@]}"
  [ "$mode" = snapshot ] || until_drawn $n "$camera"
  if [ "$camera" = 0 ]; then
    [ ! -e "$work/made-$n" ] || fail "case $n: the video source was made"
    [ ! -e "$work/gst-$n" ] || fail "case $n: GStreamer was started"
    grep -q "camera\|LUMOX_VIDEO_SOURCE" "$work/err" && fail "case $n: a word of the camera: $(cat "$work/err")"
    [ "$mode" != snapshot ] || cmp -s "$work/shot-$n.png" "$work/none.png" ||
      fail "case $n: not the frames of a run without a camera"
  else
    [ -e "$work/made-$n" ] || fail "case $n: no video source was made"
    [ -e "$work/gst-$n" ] || fail "case $n: GStreamer was not started"
    [ "$mode" != snapshot ] || ! cmp -s "$work/shot-$n.png" "$work/none.png" ||
      fail "case $n: the camera's video does not show"
  fi
done
close_host
echo PASS
