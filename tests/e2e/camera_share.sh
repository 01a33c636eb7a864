#!/usr/bin/env bash
# One camera for every monitor: hacks of one user that want the same source
# at once (XScreenSaver's hack per monitor and its preview) share it. The
# first opens it and the others show its frames; when it ends (SIGTERM) or
# is killed (SIGKILL), another takes the source over and every run shows
# video again (the seconds that took are printed, as figures). Hostile
# surroundings hold up nobody and leave nothing behind: what a killed owner
# left (its socket, its shared memory), a run that finds the source taken
# but no socket yet (here a lock another program holds), another user's
# runs (which never join, and open the source for themselves), a planted
# /tmp/lumox-UID (another user's directory, a link, one open to others, a
# file), and GStreamer without the shared-memory elements.
# The source is the test camera of tests/gst/test_cameras.c, which counts
# its opens and takes a colour of its list at each: green, then blue; the
# still picture is red. Each run's frame trace gives the colour
# at the centre of its last frame.
# usage: camera_share.sh LUMOX HOST_WINDOW
source "$(dirname "$0")/lib_host.sh" "$@"
start_xvfb 1024x768x24
picture red red
chmod 711 "$work"
share=$XDG_RUNTIME_DIR/lumox
opens=$work/opens
export LUMOX_VIDEO_SOURCE="lumoxtestsrc opens-file=$opens colours=00ff00,0000ff"

declare -A runs hosts host_fds
cleanup_runs() {
  local name fd
  for name in "${!runs[@]}"; do kill -KILL "${runs[$name]}" 2>/dev/null; done
  for fd in "${host_fds[@]}"; do exec {fd}>&-; done
  [ -z "${holder:-}" ] || kill "$holder" 2>/dev/null
}
planted_uid=65533  # a user of these tests alone, whose /tmp/lumox-UID they plant
trap 'cleanup_runs; cleanup; [ "$(id -u)" != 0 ] || rm -rf "/tmp/lumox-$planted_uid"' EXIT

# hack NAME: a hack on a host window of its own, its trace in
# $work/NAME.trace and its messages in $work/NAME.err; run through the words
# of the array "as" when it has any (as another user; they must exec, and
# name the trace, which TRACE_OF then names for colour and expect).
as=()
hack() {
  local name=$1 fd window
  if [ -z "${hosts[$name]:-}" ]; then
    mkfifo "$work/$name.in"
    "$host_window" 200x150 <"$work/$name.in" >"$work/$name.host" 2>/dev/null &
    exec {fd}>"$work/$name.in"
    hosts[$name]=$! host_fds[$name]=$fd
    within 10 grep -q . "$work/$name.host" || fail "$name: no host window"
  fi
  window=$(head -n 1 "$work/$name.host")
  rm -f "$work/$name.trace"
  LUMOX_FRAME_TRACE=$work/$name.trace "${as[@]}" "$lumox" --root --window-id "$window" --picture "$work/red.bmp" 2>"$work/$name.err" &
  runs[$name]=$!
}

# colour NAME: the main colour at the centre of NAME's last frame.
colour() {
  tail -n 1 "${TRACE_OF:-$work/$1.trace}" 2>/dev/null | awk '{r = $(NF - 2); g = $(NF - 1); b = $NF
    if (g > 40 && g > 2 * r && g > 2 * b) print "green"; else if (b > 40 && b > 2 * r && b > 2 * g && r < 40) print "blue"
    else if (r > 40 && r > 2 * g && r > 2 * b) print "red"
    else print "other"}'
}
shows() { [ "$(colour "$1")" = "$2" ]; }
# expect NAME COLOUR [SECONDS]: NAME shows COLOUR within SECONDS (60).
expect() {
  within "${3:-60}" shows "$1" "$2" ||
    fail "$1 shows $(colour "$1"), not $2: $(tail -n 1 "${TRACE_OF:-$work/$1.trace}" 2>/dev/null) $(cat "$work/$1.err")"
}
# end NAME: SIGTERM ends it within 5 s with 0.
end() {
  kill -TERM "${runs[$1]}"
  wait_exit "${runs[$1]}" 5 || fail "$1: SIGTERM did not end it within 5 s"
  [ "$EXIT_CODE" = 0 ] || fail "$1: exit code $EXIT_CODE after SIGTERM: $(cat "$work/$1.err")"
  ! grep -q Sanitizer "$work/$1.err" || fail "$1: $(cat "$work/$1.err")"
  unset "runs[$1]"
}
opened() { cat "$1" 2>/dev/null | wc -l; }
# segments PID...: the shared memory these processes made.
segments() {
  local pid
  for pid in "$@"; do ls /dev/shm | grep -E "^shmpipe\. *$pid\." ; done
}
# nothing_left WHAT DIR PID...: DIR holds nothing, nor /dev/shm these pids' segments.
nothing_left() {
  local what=$1 dir=$2
  shift 2
  [ -z "$(ls -A "$dir" 2>/dev/null)" ] || fail "$what: left in $dir: $(ls -lA "$dir")"
  [ -z "$(segments "$@")" ] || fail "$what: left in /dev/shm: $(segments "$@")"
}
now() { date +%s.%N; }
since() { awk "BEGIN {printf \"%.2f\", $(now) - $1}"; }

note "two hacks at once: the source is made once and both show its video"
hack a
expect a green
hack b
expect b green
sleep 1
shows a green && shows b green || fail "the video went away: a $(colour a), b $(colour b)"
[ "$(opened "$opens")" = 1 ] || fail "the source was made $(opened "$opens") times"
lock=$(ls "$share"/*.lock) && socket=${lock%.lock}.sock && [ -S "$socket" ] ||
  fail "no lock and socket in $share: $(ls -lA "$share")"
[ "$(cat "$lock")" = "${runs[a]}" ] || fail "the lock file names $(cat "$lock"), not the owner ${runs[a]}"
gone=(${runs[a]} ${runs[b]})
end b
end a
nothing_left "two hacks" "$share" "${gone[@]}"

note "the owner ended or killed: another takes the source over"
for signal in TERM KILL; do
  rm -f "$opens"
  hack a
  expect a green
  hack b
  hack c
  expect b green
  expect c green
  owner=${runs[a]}
  killed=$(now)
  kill -$signal "$owner"
  wait "$owner" 2>/dev/null
  unset "runs[a]"
  within 60 eval 'shows b blue && shows c blue' || fail "after SIG$signal: b $(colour b), c $(colour c)"
  echo "SIG$signal to the owner: b and c show the new owner's video after $(since "$killed") s"
  [ "$(opened "$opens")" = 2 ] || fail "after SIG$signal the source was made $(opened "$opens") times, not twice"
  [ -z "$(segments "$owner")" ] || fail "the killed owner's shared memory stays: $(segments "$owner")"
  gone=($owner ${runs[b]} ${runs[c]})
  end b
  end c
  nothing_left "SIG$signal to the owner" "$share" "${gone[@]}"
done

note "the owner's source ends: every run shows the still picture, and no one opens the source again"
ended=$work/ended
# Twenty seconds of video: hacks under the sanitizers take seconds to start.
LUMOX_VIDEO_SOURCE="lumoxtestsrc opens-file=$ended frames=600 colour=0x00ff00" hack a
LUMOX_VIDEO_SOURCE="lumoxtestsrc opens-file=$ended frames=600 colour=0x00ff00" hack b
expect a green
expect b green
expect a red
expect b red
sleep 1
shows a red && shows b red || fail "after the source ended: a $(colour a), b $(colour b)"
[ "$(opened "$ended")" = 1 ] || fail "the ended source was made $(opened "$ended") times"
# Whichever of the two took the lock first says the source stopped, the
# other that the shared video did.
said=$(cat "$work/a.err" "$work/b.err")
grep -q "the video source stopped" <<<"$said" && grep -q "the video another run shared stopped" <<<"$said" ||
  fail "no word of the end: $said"
gone=(${runs[a]} ${runs[b]})
end b
end a
nothing_left "an ended source" "$share" "${gone[@]}"

note "a stale socket and shared memory of a killed owner: the next run clears them"
rm -f "$opens"
hack a
expect a green
killed=${runs[a]}
kill -KILL "$killed"
wait "$killed" 2>/dev/null
unset "runs[a]"
[ -S "$socket" ] && [ -n "$(segments "$killed")" ] && [ "$(cat "$lock")" = "$killed" ] ||
  fail "SIGKILL left no socket, lock or shared memory: $(ls -lA "$share") $(segments "$killed")"
echo "SIGKILL left: $(cd "$share" && echo *), /dev/shm/$(segments "$killed")"
hack d
expect d blue
[ -z "$(segments "$killed")" ] || fail "the stale shared memory stays: $(segments "$killed")"
[ "$(cat "$lock")" = "${runs[d]}" ] || fail "the lock file names $(cat "$lock"), not the new owner ${runs[d]}"
gone=(${runs[d]})
end d
nothing_left "after a stale socket" "$share" "$killed" "${gone[@]}"

note "runs that find the source taken but no socket yet wait with the still picture, then take it over"
rm -f "$opens"
flock --no-fork "$lock" sleep 600 & holder=$!
within 10 test -e "$lock" || fail "no lock holder"
hack b
hack c
expect b red
expect c red
sleep 1
shows b red && shows c red || fail "a follower without an owner shows $(colour b) and $(colour c)"
[ "$(opened "$opens")" = 0 ] || fail "a follower opened the source"
before=$(wc -l <"$work/b.trace")
sleep 1
[ "$(wc -l <"$work/b.trace")" -gt "$before" ] || fail "a follower waiting for its owner stopped drawing"
freed=$(now)
kill "$holder"
wait "$holder" 2>/dev/null
holder=
within 60 eval 'shows b green && shows c green' || fail "after the lock was let go: b $(colour b), c $(colour c)"
echo "the lock let go: b and c show video after $(since "$freed") s"
[ "$(opened "$opens")" = 1 ] || fail "the source was made $(opened "$opens") times, not once"
gone=(${runs[b]} ${runs[c]})
end b
end c
nothing_left "followers first" "$share" "${gone[@]}"

# The runs as other users: the file of opens, the test camera and the X
# display are theirs to use; each has a home of its own.
as_user() {  # as_user UID HOME VARIABLE=VALUE...: "as" runs a hack as that user
  local uid=$1 home=$2
  shift 2
  as=(setpriv --reuid="$uid" --regid="$uid" --clear-groups env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" \
    HOME="$home" XDG_CONFIG_HOME="$home/config" GST_PLUGIN_PATH="$GST_PLUGIN_PATH" GST_REGISTRY="$home/registry.bin" \
    LUMOX_VIDEO_SOURCE="$LUMOX_VIDEO_SOURCE" ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}" "$@")
}
if [ "$(id -u)" != 0 ]; then
  echo "SKIP: another user's runs and a planted /tmp/lumox-UID need root"
else
  chmod 644 "$work/red.bmp"

  note "another user's hacks never join this user's: each opens the source for itself"
  rm -f "$opens"
  touch "$opens"
  chmod 666 "$opens"
  other=$work/other
  mkdir -m 700 "$other" "$other/run"
  chown -R 65534:65534 "$other"
  hack a
  expect a green
  for runtime in "its own XDG_RUNTIME_DIR" "no XDG_RUNTIME_DIR"; do
    variables=()
    [ "$runtime" = "no XDG_RUNTIME_DIR" ] || variables=(XDG_RUNTIME_DIR="$other/run")
    before=$(opened "$opens")
    rm -f "$other/e.trace"
    as_user 65534 "$other" LUMOX_FRAME_TRACE="$other/e.trace" "${variables[@]}"
    hack e
    as=()
    TRACE_OF=$other/e.trace expect e blue
    [ "$(opened "$opens")" = $((before + 1)) ] || fail "$runtime: the other user's run did not open its own source"
    shows a green || fail "$runtime: the first user's video changed to $(colour a)"
    e=${runs[e]}
    end e
    dir=$other/run/lumox
    [ "$runtime" = "no XDG_RUNTIME_DIR" ] && dir=/tmp/lumox-65534
    [ -z "$(ls -A "$dir" | grep "^$(basename "${lock%.lock}")")" ] || fail "$runtime: left in $dir: $(ls -lA "$dir")"
    [ -z "$(segments "$e")" ] || fail "$runtime: left in /dev/shm: $(segments "$e")"
    echo "$runtime: its own source, video, nothing left"
  done
  gone=(${runs[a]})
  end a
  nothing_left "beside another user's runs" "$share" "${gone[@]}"

  note "a planted /tmp/lumox-UID: no sharing, the run's own source, nothing written there"
  planted=/tmp/lumox-$planted_uid
  user_home=$work/planted
  mkdir -m 700 "$user_home" "$user_home/target"
  chown -R $planted_uid:$planted_uid "$user_home"
  rm -rf "$planted"
  for kind in "another user's directory" "a link" "a directory open to others" "a file"; do
    case $kind in
      "another user's directory") mkdir -m 777 "$planted" ;;
      "a link") ln -s "$user_home/target" "$planted" ;;
      "a directory open to others") mkdir -m 755 "$planted" && chown $planted_uid "$planted" ;;
      "a file") touch "$planted" ;;
    esac
    rm -f "$opens" "$user_home/p.trace"
    touch "$opens"
    chmod 666 "$opens"
    as_user $planted_uid "$user_home" LUMOX_FRAME_TRACE="$user_home/p.trace"
    hack p
    as=()
    TRACE_OF=$user_home/p.trace expect p green
    grep -q "$planted is not a directory of this user's" "$work/p.err" || fail "$kind: no word of it: $(cat "$work/p.err")"
    p=${runs[p]}
    end p
    [ -z "$(ls -A "$user_home/target")" ] && { [ ! -d "$planted" ] || [ -L "$planted" ] || [ -z "$(ls -A "$planted")" ]; } ||
      fail "$kind: something was written there"
    [ -z "$(segments "$p")" ] || fail "$kind: left in /dev/shm: $(segments "$p")"
    echo "$kind: refused, its own video, nothing written"
    rm -rf "$planted"
  done
fi

note "without GStreamer's shared-memory elements each run opens the source itself, as before"
rm -f "$opens"
plugins=$work/plugins
mkdir "$plugins"
for plugin in "$(pkg-config --variable=pluginsdir gstreamer-1.0)"/*.so; do
  [ "$(basename "$plugin")" = libgstshm.so ] || ln -s "$plugin" "$plugins/"
done
export GST_PLUGIN_SYSTEM_PATH_1_0=$plugins GST_REGISTRY=$work/registry-without-shm.bin
rm -rf "$share"
hack a
expect a green
hack b
expect b blue
[ "$(opened "$opens")" = 2 ] || fail "the source was made $(opened "$opens") times, not by each run"
[ ! -e "$share" ] || fail "runs that cannot share made $share"
end a
end b
echo PASS
