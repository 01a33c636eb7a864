#!/usr/bin/env bash
# lumox.scr /s under Wine on Xvfb: on a screen the mode change can reach it
# runs full screen and ends on Escape (then the host's black window, on the
# next key); on one it cannot, it falls back to a captioned window
# silently; inside a Wine desktop the mode really changes and is restored
# after the run.
# usage: wine_saver.sh LUMOX.SCR WIN32_TESTS.EXE WINE-RUN.SH PICTURE
scr=$1 tests=$2 wine_run=$3 picture=$4
source "$(dirname "$0")/wine_lib.sh"

"$wine_run" "$tests" --gtest_filter=NoSuchTest >/dev/null 2>&1  # makes the prefix
# The picture goes where the installer puts it: C:\windows.
cp "$picture" "$LUMOX_WINEPREFIX/drive_c/windows/lumox.bmp"

# on_screen SIZE: a fresh Xvfb of SIZE (the previous one and its wineserver go).
# The Wine server goes every time, also the one left by making the prefix,
# which would still be bound to the display the prefix was made on.
on_screen() {
  WINEPREFIX=$LUMOX_WINEPREFIX wineserver -k 2>/dev/null
  WINEPREFIX=$LUMOX_WINEPREFIX wineserver -w 2>/dev/null
  stop_xvfb
  start_xvfb "$1"
}

note "640x480 screen: full screen, other keys do nothing, Escape ends the run"
on_screen 640x480x24
"$wine_run" "$scr" /s & pid=$!
id=$(wait_for_window Lumox 60) || fail "no saver window"
[ "$(window_size "$id")" = 640x480 ] || fail "full-screen window is $(window_size "$id")"
wait_for_figure $pid
[ -n "${LUMOX_SCREENSHOT:-}" ] && cp "$work/saver.png" "$LUMOX_SCREENSHOT"
xdotool key space
sleep 0.5
still_running $pid || fail "space ended the run"
xdotool key Escape
dismiss_black_window "Escape"
expect_exit "Escape"
[ "$(screen_size)" = 640x480 ] || fail "screen left at $(screen_size)"

note "1024x768 screen: the mode change is refused, a captioned window instead"
on_screen 1024x768x24
"$wine_run" "$scr" /s & pid=$!
id=$(wait_for_window Lumox 60) || fail "no saver window"
sleep 1
size=$(window_size "$id")
[ "$size" != 1024x768 ] || fail "the window covers the screen although the mode change is refused"
xdotool key Escape
sleep 1
still_running $pid || fail "Escape ended a windowed run"
# Closing the window (Alt+F4: WM_CLOSE) ends it.
xdotool windowfocus --sync "$id" 2>/dev/null
xdotool key --window "$id" alt+F4
dismiss_black_window "close"
expect_exit "close"
[ "$(screen_size)" = 1024x768 ] || fail "screen changed to $(screen_size)"

note "inside a 1024x768 Wine desktop: 640x480 during the run, 1024x768 after"
out=$work/desktop.txt
LUMOX_EXPECT_FULLSCREEN=1 timeout 120 "$wine_run" explorer /desktop=lumoxtest,1024x768 "$tests" \
  --gtest_filter='*FullScreenFollowsTheModeChange*' >"$out" 2>&1
cat "$out"
grep -q "full screen: 1, mode during the run 640x480, before 1024x768" "$out" || fail "no real mode change"
grep -q "mode after the run 1024x768" "$out" || fail "mode not restored"
grep -q "\[  PASSED  \] 1 test" "$out" || fail "the mode test failed"
echo PASS
