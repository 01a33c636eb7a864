# Helpers for the end-to-end scripts: a private Xvfb, waiting, and checks.
set -u

fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "--- $*"; }

# start_xvfb WxHxD: a private X server on a free display; sets DISPLAY.
# -noreset: the tests start one client after another, and a server that
# resets when its last client leaves refuses the next one now and then.
start_xvfb() {
  local fifo; fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 9 -screen 0 "$1" -nolisten tcp -noreset 9>"$fifo" >/dev/null 2>&1 &
  XVFB_PID=$!
  local number; read -r -t 20 number <"$fifo" || fail "Xvfb did not start"
  rm -f "$fifo"
  export DISPLAY=":$number"
}

stop_xvfb() {
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=; fi
}

# wait_for_window NAME [seconds]: prints the id of a mapped window titled NAME.
wait_for_window() {
  local name=$1 limit=${2:-30} i id
  for ((i = 0; i < limit * 10; i++)); do
    id=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | head -n1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  return 1
}

# wait_exit PID SECONDS: waits for PID to end; its exit code in EXIT_CODE.
wait_exit() {
  local pid=$1 limit=$2 i
  for ((i = 0; i < limit * 10; i++)); do
    if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; EXIT_CODE=$?; return 0; fi
    sleep 0.1
  done
  return 1
}

# press_enter_on_error WHAT: waits for a window titled "Error", presses
# Enter on it and waits until it is gone.
press_enter_on_error() {
  local id i
  id=$(wait_for_window Error 30) || fail "$1: no error dialog"
  xdotool windowfocus --sync "$id"
  sleep 0.2
  xdotool key Return
  for ((i = 0; i < 100; i++)); do
    xwininfo -id "$id" 2>/dev/null | grep -q IsViewable || return 0
    sleep 0.1
  done
  fail "$1: the error dialog stays"
}

# answer_error_dialog PID WHAT: Enter on the window titled "Error", then
# waits for PID to end; its exit code in EXIT_CODE.
answer_error_dialog() {
  press_enter_on_error "$2"
  wait_exit "$1" 20 || fail "$2: still running after the error dialog"
}

# enter_private_mounts ARGS...: runs this script again, with ARGS, in a
# mount namespace of its own (as root a plain one, otherwise one inside a
# user namespace), so that nothing it mounts is seen outside. Returns 0
# inside it, 1 where none can be made.
enter_private_mounts() {
  [ -z "${LUMOX_PRIVATE_MOUNTS:-}" ] || return 0
  local flags=-m
  [ "$(id -u)" = 0 ] || flags=-rm
  unshare $flags true 2>/dev/null || return 1
  export LUMOX_PRIVATE_MOUNTS=1
  exec unshare $flags bash "$0" "$@"
}

# own_runtime_dir DIR: the runs of this script meet, to share a video
# source, in DIR/run alone: not with the runs of other tests or the user's.
own_runtime_dir() { mkdir -m 700 "$1/run" && export XDG_RUNTIME_DIR=$1/run; }

still_running() { kill -0 "$1" 2>/dev/null; }

# catches_signals PID PROGRAM: PID runs PROGRAM (no longer the shell or
# env that starts it, which may have handlers of their own) and has set
# handlers for SIGTERM and SIGINT.
catches_signals() {
  local mask
  [ "$(readlink "/proc/$1/exe")" = "$(readlink -f "$2")" ] &&
    mask=$(awk '/^SigCgt:/ {print $2}' "/proc/$1/status" 2>/dev/null) && [ -n "$mask" ] &&
    (((0x$mask & 0x4002) == 0x4002))
}

# waits_in PID WHERE: a thread of PID waits in the kernel function the
# extended regular expression WHERE names: ^wait_for_partner$ is the open of
# a FIFO that has no writer, pipe_read$ a read of a pipe or FIFO with
# nothing in it.
waits_in() { grep -Eq "$2" "/proc/$1"/task/*/wchan 2>/dev/null; }

# within SECONDS COMMAND...: COMMAND succeeds within SECONDS (tried every
# 50 ms).
within() {
  local limit=$1 i
  shift
  for ((i = 0; i < limit * 20; i++)); do
    "$@" && return 0
    sleep 0.05
  done
  "$@"
}

# window_size ID: "WIDTHxHEIGHT" of the window's client area.
window_size() {
  xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'
}

screen_size() { xdpyinfo | awk '/dimensions:/ {print $2; exit}'; }

# press_ok NAME: presses OK (Return) in the configuration dialog once it is
# on screen; NAME says which case waited for it in vain.
press_ok() {
  local id
  id=$(wait_for_window "Lumox Config" 30) || fail "$1: no dialog: $(cat "$work/err")"
  xdotool windowfocus --sync "$id"
  sleep 0.2
  xdotool key Return
}
