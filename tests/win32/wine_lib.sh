# Shared by the end-to-end scripts that run lumox.scr on their own X server:
# a work directory with a private Wine prefix in it (one prefix per X server),
# a cleanup that ends the saver, the prefix's Wine server and the X server,
# and the checks of a full-screen run.
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"
work=$(mktemp -d)
pid=
export LUMOX_WINEPREFIX=$work/prefix
wine_cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  WINEPREFIX=$LUMOX_WINEPREFIX wineserver -k 2>/dev/null
  stop_xvfb
  rm -rf "$work"
}
trap wine_cleanup EXIT
trap "exit 1" INT TERM HUP PIPE

# wait_for_figure PID: the figure is on the screen (a picture, not a cleared,
# uniform screen) while PID runs; its screenshot is $work/saver.png. The
# first frames can be late on a loaded machine, so it looks for a while.
wait_for_figure() {
  local spread= mean= i
  for i in $(seq 30); do
    if /usr/bin/import -window root "$work/saver.png" 2>/dev/null; then
      spread=$(/usr/bin/convert "$work/saver.png" -colorspace Gray -format '%[fx:int(1000*standard_deviation)]' info:)
      mean=$(/usr/bin/convert "$work/saver.png" -format '%[fx:int(1000*mean)]' info:)
      if [ "$spread" -gt 20 ] && [ "$mean" -gt 10 ]; then
        echo "screenshot: mean $mean, spread $spread (per mille)"
        return 0
      fi
    fi
    still_running "$1" || fail "the saver ended before showing its figure"
    sleep 1
  done
  echo "screenshot: mean ${mean:-?}, spread ${spread:-?} (per mille)"
  fail "the saver's screen shows no figure"
}

# After a full-screen run the host's black saver window waits for the next
# input.
dismiss_black_window() {
  wait_for_window "Screen Saver" 20 >/dev/null || fail "$1: no black window after the run"
  xdotool key space
}

# expect_exit WHAT: the saver ($pid) ends with exit code 0.
expect_exit() {
  wait_exit "$pid" 20 || fail "$1: still running"
  [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE"
  pid=
}
