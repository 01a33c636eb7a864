#!/usr/bin/env bash
# Headless snapshots with a video source: a broken or ending source leaves the
# still picture, a live one shows its colour on the pulse objects. (That an
# ending source is not waited for is checked by the capture tests, without a
# clock; the times printed here are figures, not checks.)
# usage: video_snapshot.sh LUMOX
source "$(dirname "$0")/lib.sh"
lumox=$1
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
own_runtime_dir "$work"
unset DISPLAY WAYLAND_DISPLAY

# snapshot NAME SOURCE: a 320x240 snapshot with LUMOX_VIDEO_SOURCE=SOURCE.
snapshot() {
  local start=$SECONDS
  LUMOX_VIDEO_SOURCE=$2 "$lumox" --snapshot "$work/$1.png" --size 320x240 --frames 20 2>"$work/$1.err" ||
    fail "$1: snapshot failed: $(cat "$work/$1.err")"
  echo "$1: $((SECONDS - start)) s"
}

# same_picture A B: the two snapshots have the same pixels.
same_picture() {
  [ "$(/usr/bin/compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1)" = 0 ]
}

# pixel_counts PNG: "LIT GREENISH": pixels with some light, and those of them
# whose green clearly outweighs red and blue.
pixel_counts() {
  /usr/bin/convert "$1" -depth 8 rgb:- | python3 -c '
import sys
data = sys.stdin.buffer.read()
lit = green = 0
for i in range(0, len(data), 3):
    r, g, b = data[i], data[i + 1], data[i + 2]
    if max(r, g, b) > 20:
        lit += 1
        if g > 2 * r and g > 2 * b:
            green += 1
print(lit, green)'
}

note "a source that cannot be made, or ends before its first frame: the still picture, and why"
snapshot still "nosuchelement"
snapshot ended "videotestsrc num-buffers=0"
same_picture still ended || fail "an ended source changed the picture"
grep -qxF 'lumox: LUMOX_VIDEO_SOURCE "nosuchelement" cannot be made (no element "nosuchelement"): showing the still picture.' \
  "$work/still.err" || fail "a broken source was not reported: $(cat "$work/still.err")"
grep -q '^lumox: LUMOX_VIDEO_SOURCE "videotestsrc num-buffers=0" .*: showing the still picture\.$' "$work/ended.err" ||
  fail "an ended source was not reported: $(cat "$work/ended.err")"

note "a live half-green source colours the pulse objects"
snapshot video "videotestsrc pattern=solid-color foreground-color=0xff008000 is-live=true"
read -r still_lit _ < <(pixel_counts "$work/still.png")
read -r lit green < <(pixel_counts "$work/video.png")
echo "still picture: $still_lit lit pixels; video: $lit lit, $green of them green"
if [ "$still_lit" = 0 ] && [ "$lit" = 0 ]; then
  echo "SKIP: this build draws no pulse objects yet"
  exit 77
fi
[ "$lit" -ge 200 ] || fail "the video snapshot shows almost nothing ($lit lit pixels)"
[ $((green * 10)) -ge $((lit * 9)) ] || fail "only $green of $lit lit pixels show the video's green"
echo PASS
