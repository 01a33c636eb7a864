#!/usr/bin/env bash
# SIGTERM and SIGINT end every mode of the Linux build promptly: the
# configuration dialog (saving nothing), the error dialog of --window and -s,
# and every mode while it is still starting. A video source that never
# delivers a frame holds start-up in its longest wait (the capture pipeline's
# start), so a signal sent a moment after the start finds a wait to end.
# A video source that hangs in its open holds up no mode: each ends within
# a bound of the signal, early in its start, while the source hangs, and
# while it draws; nor does one that plays and then hangs in a read.
# The seconds printed are figures; the checks are bounded waits.
# usage: signals.sh LUMOX HOST_WINDOW
source "$(dirname "$0")/lib.sh"
lumox=$1 host_window=$2
work=$(mktemp -d)
pid=
keeper=
host_pid=
writer=
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  [ -n "$keeper" ] && kill "$keeper" 2>/dev/null
  [ -n "$writer" ] && kill "$writer" 2>/dev/null
  exec 3>&-
  [ -n "$host_pid" ] && wait "$host_pid" 2>/dev/null
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP PIPE
export XDG_CONFIG_HOME=$work/config
own_runtime_dir "$work"
export NO_AT_BRIDGE=1
cfg=$XDG_CONFIG_HOME/lumox/lumox.cfg
stalled="videotestsrc ! valve drop=true"
# How long a process may take to end after the signal: start-up after a
# signal still makes its window before the loop ends the run.
limit=4

start_xvfb 1024x768x24
xprop -root -spy >/dev/null 2>&1 & keeper=$!

# start ARGS...: lumox in the background with the default actions of SIGINT
# and SIGTERM (a shell script's background jobs would ignore SIGINT).
start() {
  env --default-signal=INT,TERM "$lumox" "$@" 2>"$work/err" & pid=$!
}
# stop SIGNAL LABEL: sends SIGNAL; the process must be gone within $limit
# seconds. Its exit status in EXIT_CODE, the seconds it took in GONE.
stop() {
  local before; before=$(date +%s.%N)
  kill "-$1" "$pid" 2>/dev/null
  wait_exit "$pid" "$limit" || fail "$2: still running $limit s after SIG$1: $(cat "$work/err")"
  pid=
  GONE=$(awk "BEGIN {printf \"%.2f\", $(date +%s.%N) - $before}")
  printf '%s: SIG%s, gone after %s s, status %s\n' "$2" "$1" "$GONE" "$EXIT_CODE"
  ! grep -q Sanitizer "$work/err" || fail "$2: $(cat "$work/err")"
}
# signal_status SIGNAL: the status of a process the signal itself ended.
signal_status() { [ "$1" = TERM ] && echo 143 || echo 130; }

note "the configuration dialog: SIGTERM and SIGINT end it, with or without changes, saving nothing"
mkdir -p "$XDG_CONFIG_HOME/lumox"
head -c 1348 /dev/zero >"$cfg"
cp "$cfg" "$work/before.cfg"
for signal in TERM INT; do
  for change in no yes; do
    start
    id=$(wait_for_window "Lumox Config" 20) || fail "no dialog: $(cat "$work/err")"
    if [ $change = yes ]; then
      xdotool windowfocus --sync "$id"
      xdotool key --delay 40 Tab End Tab space
    fi
    stop $signal "dialog, changes: $change"
    [ "$EXIT_CODE" = 0 ] || fail "the dialog ended with $EXIT_CODE: $(cat "$work/err")"
    cmp "$cfg" "$work/before.cfg" || fail "SIG$signal changed the settings file"
  done
done
rm -r "$XDG_CONFIG_HOME/lumox"
start
wait_for_window "Lumox Config" 20 >/dev/null || fail "no dialog: $(cat "$work/err")"
stop TERM "dialog without a settings file"
[ ! -e "$XDG_CONFIG_HOME/lumox" ] || fail "SIGTERM created settings"

note "the error dialog of --window and -s (a picture that cannot be read) ends on a signal"
mkdir -p "$XDG_CONFIG_HOME/lumox"
printf 'BM broken' >"$XDG_CONFIG_HOME/lumox/lumox.bmp"
for run in "--window TERM" "--window INT" "-s TERM" "-s INT"; do
  read -r mode signal <<<"$run"
  start "$mode"
  wait_for_window Error 20 >/dev/null || fail "$mode: no error dialog: $(cat "$work/err")"
  stop "$signal" "$mode error dialog"
  # The run ends for its picture, as it does when the dialog is answered.
  [ "$EXIT_CODE" = 1 ] || fail "$mode: exit code $EXIT_CODE after the error dialog: $(cat "$work/err")"
done
rm -r "$XDG_CONFIG_HOME/lumox"

note "a signal during start-up ends every mode: snapshot, window, -s, hack, dialog"
export LUMOX_VIDEO_SOURCE=$stalled
n=0
for mode in snapshot window full hack dialog; do
  for moment in 0 0.1 0.4 1.2 2.5; do
    signal=TERM; [ $((n++ % 2)) = 0 ] || signal=INT
    case $mode in
      snapshot) DISPLAY= start --snapshot "$work/shot.png" --size 64x64 --frames 2 ;;
      window) start --window ;;
      full) start -s ;;
      hack) start --root ;;
      dialog) start ;;
    esac
    sleep "$moment"
    still_running "$pid" || fail "$mode ended by itself within $moment s: $(cat "$work/err")"
    stop "$signal" "$mode after $moment s"
    case $EXIT_CODE in
      # A snapshot that was told to end has no picture to show for it.
      1) [ $mode = snapshot ] || fail "$mode: exit code 1: $(cat "$work/err")" ;;
      0) [ $mode != snapshot ] || fail "an interrupted snapshot exited 0" ;;
      "$(signal_status "$signal")") ;;  # the signal came before the handler
      *) fail "$mode after $moment s: exit code $EXIT_CODE: $(cat "$work/err")" ;;
    esac
    [ ! -e "$work/shot.png" ] || fail "an interrupted snapshot wrote its picture"
    [ ! -e "$XDG_CONFIG_HOME/lumox" ] || fail "$mode: a signal during start-up wrote settings"
  done
done

note "a video source that hangs in its open (a FIFO nobody writes) holds up no mode"
mkfifo "$work/silent"
export LUMOX_VIDEO_SOURCE="filesrc location=$work/silent ! decodebin"
export LUMOX_FRAME_TRACE=$work/trace.txt
# A window of another program, for the preview and the hack (its id in hex).
mkfifo "$work/host-in"
"$host_window" 320x240 <"$work/host-in" >"$work/host-out" 2>/dev/null & host_pid=$!
exec 3>"$work/host-in"
within 10 grep -q . "$work/host-out" || fail "no host window"
window=$(head -n 1 "$work/host-out")
# Each run, with its exit code once the process has its handlers, gets each
# signal at each moment: early (as soon as it catches signals, its window
# not yet made), hung (the source's thread waits in the FIFO's open) and
# drawing (three frames drawn; for the snapshot after its 5 s first-frame
# wait). The saver ends within a second (the figures printed); the bound
# leaves room for the sanitizers.
limit=3
runs=("snapshot|1|--snapshot $work/shot.png --size 64x64 --frames 100000"
      "--window|0|--window"
      "-s|0|-s"
      "preview|0|/p $((window))"
      "hack|0|--root"
      "hack on a window|0|--window-id $window")
drawn() { [ "$(cat "$work/trace.txt" 2>/dev/null | wc -l)" -ge 3 ]; }
longest=0
for run in "${runs[@]}"; do
  IFS='|' read -r mode code arguments <<<"$run"
  for moment in early hung drawing; do
    for signal in TERM INT; do
      rm -f "$work/trace.txt"
      # shellcheck disable=SC2086  # the arguments hold no blanks
      start $arguments
      case $moment in
        early) within 20 catches_signals "$pid" "$lumox" ;;
        hung) within 20 waits_in "$pid" '^wait_for_partner$' ;;
        drawing) within 60 drawn ;;
      esac || fail "$mode: never $moment: $(cat "$work/err")"
      still_running "$pid" || fail "$mode ended by itself ($moment): $(cat "$work/err")"
      stop "$signal" "$mode, $moment"
      [ "$EXIT_CODE" = "$code" ] || fail "$mode, $moment: exit code $EXIT_CODE, not $code: $(cat "$work/err")"
      [ ! -e "$work/shot.png" ] || fail "an interrupted snapshot wrote its picture"
      [ ! -e "$XDG_CONFIG_HOME/lumox" ] || fail "$mode, $moment: a signal wrote settings"
      longest=$(awk "BEGIN {print ($GONE > $longest) ? $GONE : $longest}")
    done
  done
done

# The error dialog of a run that cannot read its picture: the signal answers
# it, and the run saves its settings whole (the defaults, with no settings
# file before) and ends with 1, its source still hanging.
mkdir -p "$XDG_CONFIG_HOME/lumox"
printf 'BM broken' >"$XDG_CONFIG_HOME/lumox/lumox.bmp"
for signal in TERM INT; do
  rm -f "$cfg"
  start --window
  wait_for_window Error 20 >/dev/null || fail "no error dialog: $(cat "$work/err")"
  stop "$signal" "--window, its error dialog"
  [ "$EXIT_CODE" = 1 ] || fail "exit code $EXIT_CODE after the error dialog: $(cat "$work/err")"
  [ "$(ls "$XDG_CONFIG_HOME/lumox")" = "$(printf 'lumox.bmp\nlumox.cfg')" ] && [ "$(stat -c %s "$cfg")" = 1348 ] ||
    fail "SIG$signal during the error dialog: the settings are not whole: $(ls -l "$XDG_CONFIG_HOME/lumox")"
  longest=$(awk "BEGIN {print ($GONE > $longest) ? $GONE : $longest}")
done
rm -r "$XDG_CONFIG_HOME/lumox"

# A source that plays, then blocks in a read (a FIFO whose writer falls
# silent after ten frames): its stop, which waits for that read, is not
# waited for either.
export LUMOX_VIDEO_SOURCE="filesrc location=$work/silent ! rawvideoparse width=160 height=120 format=bgr framerate=30/1"
for run in "${runs[0]}" "${runs[4]}"; do
  IFS='|' read -r mode code arguments <<<"$run"
  for signal in TERM INT; do
    rm -f "$work/trace.txt"
    (head -c $((160 * 120 * 3 * 10)) /dev/zero; exec sleep 600) >"$work/silent" 2>/dev/null & writer=$!
    # shellcheck disable=SC2086  # the arguments hold no blanks
    start $arguments
    within 60 drawn && within 20 waits_in "$pid" 'pipe_read$' || fail "$mode: no stalled read: $(cat "$work/err")"
    stop "$signal" "$mode, its source stalled in a read"
    kill "$writer"
    wait "$writer" 2>/dev/null
    writer=
    [ "$EXIT_CODE" = "$code" ] || fail "$mode, a stalled read: exit code $EXIT_CODE, not $code: $(cat "$work/err")"
    [ ! -e "$work/shot.png" ] || fail "an interrupted snapshot wrote its picture"
    longest=$(awk "BEGIN {print ($GONE > $longest) ? $GONE : $longest}")
  done
done
echo "longest time from the signal to the end, the source hanging: $longest s"
echo PASS
