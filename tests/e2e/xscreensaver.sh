#!/usr/bin/env bash
# The real XScreenSaver 6 daemon on Xvfb runs "lumox --root" as a hack:
# -activate starts it on the daemon's window (it draws there, at the screen's
# size), -deactivate ends it within 10 seconds, and the daemon's log shows
# no crash. The daemon refuses to launch hacks as root, so as root it runs
# as the unprivileged user nobody.
# usage: xscreensaver.sh LUMOX
source "$(dirname "$0")/lib.sh"
lumox=$1
command -v xscreensaver >/dev/null || fail "xscreensaver is not installed"
work=$(mktemp -d)
chmod 755 "$work"
daemon=
cleanup() {
  [ -n "$daemon" ] && { xscreensaver-command -exit >/dev/null 2>&1; sleep 0.5; kill "$daemon" 2>/dev/null; }
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP PIPE
start_xvfb 800x600x24

home=$work/home
mkdir -p "$home" "$work/bin"
ln -s "$(readlink -f "$lumox")" "$work/bin/lumox"
cat >"$home/.xscreensaver" <<'RC'
mode:		one
selected:	0
timeout:	0:30:00
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
programs:	GL: "Lumox" lumox --root \n
RC
: >"$work/trace.txt"
as_user=()
if [ "$(id -u)" = 0 ]; then
  chown -R 65534:65534 "$home" "$work/trace.txt"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
"${as_user[@]}" env -i HOME="$home" DISPLAY="$DISPLAY" PATH="$work/bin:/usr/bin:/bin" \
  LUMOX_FRAME_TRACE="$work/trace.txt" XDG_CONFIG_HOME="$home/.config" \
  xscreensaver --no-splash --verbose >"$work/log" 2>&1 &
daemon=$!
for ((i = 0; i < 100; i++)); do xscreensaver-command -version >/dev/null 2>&1 && break; sleep 0.1; done
xscreensaver-command -version >/dev/null 2>&1 || fail "the daemon did not start: $(cat "$work/log")"

note "-activate: the daemon starts lumox --root on its window"
xscreensaver-command -activate >/dev/null || fail "-activate failed"
hack=
for ((i = 0; i < 150; i++)); do
  hack=$(sed -n 's/.*forked "lumox --root" in pid \([0-9]*\) on window.*/\1/p' "$work/log" | tail -n 1)
  [ -n "$hack" ] && [ "$(wc -l <"$work/trace.txt")" -ge 10 ] && break
  sleep 0.1
done
[ -n "$hack" ] || fail "the daemon did not start the hack: $(cat "$work/log")"
last=$(tail -n 1 "$work/trace.txt")
echo "$last"
[[ $last == *"viewport 800x600 window "* ]] || fail "the hack does not draw at the screen's size: $last"
window=$(awk '{print $6}' <<<"$last")
grep -q "forked \"lumox --root\" in pid $hack on window $window" "$work/log" ||
  fail "the hack draws on $window, not on the daemon's window: $(grep forked "$work/log")"
xwininfo -id "$window" | grep -q "Map State: IsViewable" || fail "the daemon's window $window is not mapped"
tr '\0' '\n' <"/proc/$hack/environ" | grep -qx "XSCREENSAVER_WINDOW=$window" ||
  fail "the hack's XSCREENSAVER_WINDOW is not $window"
/usr/bin/import -window root "$work/shot.png"
echo "screen mean $(/usr/bin/convert "$work/shot.png" -format '%[fx:mean]' info:)"
before=$(wc -l <"$work/trace.txt"); sleep 1
[ "$(wc -l <"$work/trace.txt")" -gt "$before" ] || fail "the hack stopped drawing"

note "-deactivate: the hack ends within 10 seconds, without a crash"
xscreensaver-command -deactivate >/dev/null || fail "-deactivate failed"
for ((i = 0; i < 100; i++)); do kill -0 "$hack" 2>/dev/null || break; sleep 0.1; done
kill -0 "$hack" 2>/dev/null && fail "the hack still runs 10 s after -deactivate"
sleep 0.5
if grep -Eiq "crash|did not die|exited abnormally|terminated with signal|exited with status [1-9]|fatal" <(grep -i lumox "$work/log"); then
  cat "$work/log"
  fail "the daemon's log reports a problem with the hack"
fi
grep -i lumox "$work/log"
echo PASS
