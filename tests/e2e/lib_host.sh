# Helpers for the end-to-end scripts that run the saver on another program's
# window (host_window.c), as the XScreenSaver daemon has it, and judge what
# it draws there. Sourced with the script's arguments LUMOX HOST_WINDOW; it
# sets up $work (settings and frame trace in it), $pid for the saver's
# process, and a clean-up that ends both programs and the X server.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
lumox=$1 host_window=$2
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  exec 3>&- 4<&-
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP PIPE
export XDG_CONFIG_HOME=$work/config
own_runtime_dir "$work"
export LUMOX_FRAME_TRACE=$work/trace.txt

# host SIZE: a window of another program, WxH, driven through fds 3 and 4;
# its id in $window. close_host ends that program.
host() {
  rm -f "$work/in" "$work/out"
  mkfifo "$work/in" "$work/out"
  "$host_window" "$1" <"$work/in" >"$work/out" 2>/dev/null & host_pid=$!
  exec 3>"$work/in" 4<"$work/out"
  read -r -t 10 window <&4 || fail "no host window"
}
close_host() { exec 3>&- 4<&-; wait "$host_pid" 2>/dev/null; }

# colours PNG [X0 Y0 X1 Y1]: "WHITE RED GREEN", the counts of white pixels,
# of pixels where red or green clearly outweighs the other channels, within
# the box (the whole picture by default).
colours() {
  /usr/bin/convert "$1" -depth 8 rgb:- | python3 -c '
import sys
w, h = (int(v) for v in sys.argv[1].split("x"))
x0, y0, x1, y1 = (int(v) for v in sys.argv[2:6]) if len(sys.argv) > 2 else (0, 0, w, h)
data = sys.stdin.buffer.read()
white = red = green = 0
for y in range(y0, y1):
    for x in range(x0, x1):
        i = (y * w + x) * 3
        r, g, b = data[i], data[i + 1], data[i + 2]
        white += r > 200 and g > 200 and b > 200
        red += r > 40 and r > 2 * g and r > 2 * b
        green += g > 40 and g > 2 * r and g > 2 * b
print(white, red, green)' "$(/usr/bin/identify -format '%wx%h' "$1")" "${@:2}"
}

# shot NAME: a screenshot of $window into $work/NAME.png.
shot() { /usr/bin/import -window "$window" "$work/$1.png" 2>/dev/null || fail "no screenshot of $window"; }

# picture NAME COLOUR: a 16x16 24-bit bitmap of one colour, $work/NAME.bmp.
picture() { /usr/bin/convert -size 16x16 "xc:$2" -type TrueColor BMP3:"$work/$1.bmp"; }
