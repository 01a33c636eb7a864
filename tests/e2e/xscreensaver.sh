#!/usr/bin/env bash
# The real XScreenSaver 6 daemon on Xvfb runs the installed hack: the build
# is installed into a staging root, "lumox --add-to-xscreensaver" adds the
# programs entry to the user's list in ~/.xscreensaver (after the list's
# one entry, where the daemon's "selected: 1" finds it), and the entry is given the switches
# the settings panel (the installed lumox.xml) can write, as
# xscreensaver-settings does. -activate starts the hack of
# <root>/usr/libexec/xscreensaver on the daemon's window (it draws there, at
# the screen's size, with those switches), -deactivate ends it within 10
# seconds, and the daemon's log shows no crash. The daemon refuses to
# launch hacks as root, so as root it runs as the unprivileged user nobody.
# With --installed the same is checked on the package installed on this
# machine: the entry keeps the plain name "lumox", which the daemon finds
# in /usr/libexec/xscreensaver.
# usage: xscreensaver.sh CMAKE BUILD_DIR | xscreensaver.sh --installed
source "$(dirname "$0")/lib.sh"
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

if [ "$1" = --installed ]; then
  stage=
  name=lumox
else
  note "install into a staging root"
  stage=$work/stage
  "$1" --install "$2" --prefix "$stage/usr" >/dev/null || fail "install failed"
  name=$stage/usr/libexec/xscreensaver/lumox
fi
hack=$stage/usr/libexec/xscreensaver/lumox
xml=$stage/usr/share/xscreensaver/config/lumox.xml
[ -x "$hack" ] && [ -r "$xml" ] || fail "the hack or its panel is not installed"
[ -r "$stage/usr/share/man/man6/lumox.6x.gz" ] || fail "the man page is not installed"

as_user=()
if [ "$(id -u)" = 0 ]; then as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups); fi
home=$work/home
mkdir -p "$home"
/usr/bin/convert -size 16x16 gradient:yellow-green -type TrueColor BMP3:"$work/picture.bmp"
chmod 644 "$work/picture.bmp"
# A list of the user's, spelt "Programs:" as the daemon also reads it: the
# entry goes after its one entry, and "selected: 1" is Lumox.
cat >"$home/.xscreensaver" <<'RC'
mode:		one
selected:	1
Programs:	\
		"Filler" filler --root \n
timeout:	0:30:00
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
RC
: >"$work/trace.txt"
[ "$(id -u)" = 0 ] && chown -R 65534:65534 "$home" "$work/trace.txt"
user_env=(env -i HOME="$home" PATH="/usr/bin:/bin" XDG_CONFIG_HOME="$home/.config")

note "lumox --add-to-xscreensaver writes the programs entry"
"${as_user[@]}" "${user_env[@]}" "$stage/usr/bin/lumox" --add-to-xscreensaver || fail "--add-to-xscreensaver failed"
grep -q "GL: lumox --root" "$home/.xscreensaver" || fail "no entry: $(cat "$home/.xscreensaver")"

# The switches the panel writes when every control leaves its default:
# each check box, each slider between its low end and its default, the
# picture and the camera.
q() { xmllint --xpath "$1" "$xml"; }
switches=()
for ((i = 1; i <= $(q 'count(//boolean)'); i++)); do
  switches+=("$(q "string((//boolean)[$i]/@arg-set)")$(q "string((//boolean)[$i]/@arg-unset)")")
done
for ((i = 1; i <= $(q 'count(//number)'); i++)); do
  value=$(python3 -c 'import sys; lo, de = sys.argv[1], sys.argv[2]; v = (float(lo) + float(de)) / 2
print(("%.1f" % v) if "." in lo + de else "%d" % v)' "$(q "string((//number)[$i]/@low)")" "$(q "string((//number)[$i]/@default)")")
  switches+=("$(q "string((//number)[$i]/@arg)" | sed "s|%|$value|")")
done
switches+=("$(q 'string(//file/@arg)' | sed "s|%|$work/picture.bmp|")" "$(q 'string(//string/@arg)' | sed 's|%|NoSuchCamera|')")
command="$name --root ${switches[*]}"
echo "the entry: $command"
sed -i "s|GL: lumox --root|GL: $command|" "$home/.xscreensaver"

start_xvfb 800x600x24
"${as_user[@]}" "${user_env[@]}" DISPLAY="$DISPLAY" LUMOX_FRAME_TRACE="$work/trace.txt" \
  xscreensaver --no-splash --verbose >"$work/log" 2>&1 &
daemon=$!
for ((i = 0; i < 100; i++)); do xscreensaver-command -version >/dev/null 2>&1 && break; sleep 0.1; done
xscreensaver-command -version >/dev/null 2>&1 || fail "the daemon did not start: $(cat "$work/log")"

note "-activate: the daemon starts the installed hack on its window, with the panel's switches"
xscreensaver-command -activate >/dev/null || fail "-activate failed"
pid=
for ((i = 0; i < 150; i++)); do
  pid=$(sed -n "s|.*forked \"$name --root .*\" in pid \([0-9]*\) on window.*|\1|p" "$work/log" | tail -n 1)
  [ -n "$pid" ] && [ "$(wc -l <"$work/trace.txt")" -ge 10 ] && break
  sleep 0.1
done
[ -n "$pid" ] || fail "the daemon did not start the hack: $(cat "$work/log")"
[ "$(tr '\0' ' ' <"/proc/$pid/cmdline")" = "$command " ] || fail "the hack runs as: $(tr '\0' ' ' <"/proc/$pid/cmdline")"
[ "$(readlink -f "/proc/$pid/exe")" = "$(readlink -f "$hack")" ] || fail "the hack is $(readlink -f "/proc/$pid/exe")"
last=$(tail -n 1 "$work/trace.txt")
echo "$last"
[[ $last == *"viewport 800x600 window "* ]] || fail "the hack does not draw at the screen's size: $last"
window=$(awk '{print $6}' <<<"$last")
grep -q "forked \"$command\" in pid $pid on window $window" "$work/log" ||
  fail "the hack draws on $window, not on the daemon's window: $(grep forked "$work/log")"
xwininfo -id "$window" | grep -q "Map State: IsViewable" || fail "the daemon's window $window is not mapped"
tr '\0' '\n' <"/proc/$pid/environ" | grep -qx "XSCREENSAVER_WINDOW=$window" ||
  fail "the hack's XSCREENSAVER_WINDOW is not $window"
/usr/bin/import -window root "$work/shot.png"
echo "screen mean $(/usr/bin/convert "$work/shot.png" -format '%[fx:mean]' info:)"
before=$(wc -l <"$work/trace.txt"); sleep 1
[ "$(wc -l <"$work/trace.txt")" -gt "$before" ] || fail "the hack stopped drawing"

note "-deactivate: the hack ends within 10 seconds, without a crash"
xscreensaver-command -deactivate >/dev/null || fail "-deactivate failed"
for ((i = 0; i < 100; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the hack still runs 10 s after -deactivate"
sleep 0.5
if grep -Eiq "crash|did not die|exited abnormally|terminated with signal|exited with status [1-9]|fatal" <(grep -i lumox "$work/log"); then
  cat "$work/log"
  fail "the daemon's log reports a problem with the hack"
fi
grep -i lumox "$work/log"
echo PASS
