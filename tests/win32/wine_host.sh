#!/usr/bin/env bash
# The screen saver host of lumox.scr under Wine on Xvfb: the switches and
# their exit codes, the preview in a window of another program (played by
# preview_host.exe, as the display control panel does), and the full-screen
# run with its black window after the run and the single-instance check.
# usage: wine_host.sh LUMOX.SCR PREVIEW_HOST.EXE WINE-RUN.SH
scr=$1 host=$2 wine_run=$3
source "$(dirname "$0")/wine_lib.sh"

# The private prefix: a copy of the build's prefix when there is one
# (quick), else a new one.
built=$(dirname "$scr")/../wineprefix
[ -f "$built/system.reg" ] && cp -a "$built" "$LUMOX_WINEPREFIX"
start_xvfb 640x480x24  # a size the saver's mode change reaches
export LUMOX_FRAME_TRACE="Z:$work/trace.txt"
scr_win="Z:$scr"

run_scr() { "$wine_run" "$scr" "$@" >"$work/out" 2>&1; }
# preview_host.exe [ARGS]: its output without the console's carriage returns.
run_host() { "$wine_run" "$host" "$scr_win" "$@" 2>&1 | tr -d '\r' >"$work/out"; return "${PIPESTATUS[0]}"; }
dialog_path() { grep -q "Lumox Config" "$work/out"; }
# dialog_shown PID: the configuration dialog appears; Escape (Cancel) ends it.
dialog_shown() {
  local id
  id=$(wait_for_window "Lumox Config" 60) || return 1
  xdotool windowfocus --sync "$id" 2>/dev/null
  xdotool key --window "$id" Escape
  wait_exit "$1" 20
}

note "refused switches end with -1 and show nothing"
for args in "/x" "/p" "/p 0" "/a" "/A 1234" "-x" "/?"; do
  # shellcheck disable=SC2086
  run_scr $args
  code=$?
  [ "$code" = 255 ] || fail "$args: exit code $code"
  dialog_path && fail "$args reached the dialog"
done
run_scr "$(printf '\t/s')"; [ $? = 255 ] || fail "a tab before /s is not refused"
[ ! -e "$work/trace.txt" ] || fail "a refused switch drew frames"

note "no switch and /c reach the configuration dialog"
for args in "" "/c" "-C" "/c:0" "/c 1234"; do
  # shellcheck disable=SC2086
  run_scr $args &
  dialog_shown $! || fail "\"$args\" did not reach the dialog: $(cat "$work/out")"
done

note "/p:HWND ends with -1; /c:HWND reaches the dialog"
run_host run "/p:%u"
grep -q "exit code -1" "$work/out" || fail "/p:HWND: $(cat "$work/out")"
run_host run "/c:%u" &
dialog_shown $! || fail "/c:HWND did not reach the dialog: $(cat "$work/out")"

note "/p HWND: draws 160x120 on its child of the area, ignores input, ends with the control panel's window"
rm -f "$work/trace.txt"
run_host preview
code=$?
cat "$work/out"
[ "$code" = 0 ] || fail "the preview checks failed"
preview=$(awk '/^preview window 0x/ {print $3}' "$work/out")
frames=$(grep -c "viewport 160x120 window $preview " "$work/trace.txt")
[ "$frames" -ge 10 ] || fail "only $frames preview frames on $preview: $(tail -n 2 "$work/trace.txt")"
[ "$(grep -vc "window $preview " "$work/trace.txt")" = 0 ] || fail "frames drawn on another window"
echo "$frames frames on the preview window $preview"

note "/s: full screen; Escape ends the run; the host's black window stays until the next input"
rm -f "$work/trace.txt"
"$wine_run" "$scr" /s 2>"$work/err" & pid=$!
id=$(wait_for_window Lumox 60) || fail "no full-screen window: $(cat "$work/err")"
[ "$(window_size "$id")" = 640x480 ] || fail "full-screen window is $(window_size "$id")"
sleep 1
grep -q "viewport 640x480" "$work/trace.txt" || fail "no full-screen frames"
xdotool key Escape
black=$(wait_for_window "Screen Saver" 20) || fail "no black window after the run"
[ "$(window_size "$black")" = 640x480 ] || fail "black window is $(window_size "$black")"
# Long enough for Wine to have delivered any activation change.
sleep 3
still_running $pid || fail "the black window closed by itself"
/usr/bin/import -window root "$work/shot.png"
mean=$(/usr/bin/convert "$work/shot.png" -format '%[fx:mean]' info:)
[ "$mean" = 0 ] || fail "the screen after the run is not black (mean $mean)"
xdotool key space
wait_exit "$pid" 15 || fail "the black window did not close on a key"
[ "$EXIT_CODE" = 0 ] || fail "/s ended with $EXIT_CODE"
pid=

note "/s: a second /s while one runs only brings the first forward and ends with 0"
"$wine_run" "$scr" /s 2>"$work/err" & pid=$!
wait_for_window Lumox 60 >/dev/null || fail "no full-screen window: $(cat "$work/err")"
sleep 0.5
LUMOX_FRAME_TRACE= timeout 30 "$wine_run" "$scr" /s; code=$?
[ "$code" = 0 ] || fail "the second /s ended with $code"
sleep 0.5
still_running $pid || fail "the second /s ended the first"
before=$(wc -l <"$work/trace.txt"); sleep 0.5
[ "$(wc -l <"$work/trace.txt")" -gt "$before" ] || fail "the first stopped drawing"
# The first's saver window now has the focus: Escape reaches both windows,
# ends the run and closes the saver window with it.
xdotool key Escape
wait_exit "$pid" 20 || { xdotool key space; wait_exit "$pid" 10; } || fail "the first did not end"
[ "$EXIT_CODE" = 0 ] || fail "/s ended with $EXIT_CODE"
pid=

note "/s: after the run a small mouse movement keeps the black window, a larger one closes it"
xdotool mousemove 300 200; sleep 0.2
"$wine_run" "$scr" /s 2>"$work/err" & pid=$!
wait_for_window Lumox 60 >/dev/null || fail "no full-screen window"
sleep 0.5
xdotool key Escape
wait_for_window "Screen Saver" 20 >/dev/null || fail "no black window after the run"
sleep 0.5
xdotool mousemove 302 201; sleep 3
still_running $pid || fail "a movement of 3 pixels closed the black window"
xdotool mousemove 320 220
wait_exit "$pid" 15 || fail "moving the mouse did not close the black window"
[ "$EXIT_CODE" = 0 ] || fail "/s ended with $EXIT_CODE"
pid=
echo PASS
