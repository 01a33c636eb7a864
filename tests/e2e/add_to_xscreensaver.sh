#!/usr/bin/env bash
# lumox --add-to-xscreensaver on the user's ~/.xscreensaver: run twice on a
# file as xscreensaver-settings writes it, it adds one entry at the end of
# the programs list and keeps every other line; it creates a missing file,
# keeps a link a link and the file's permissions, leaves a list that has
# Lumox (even switched off) alone, and refuses what is no regular file
# without waiting on it. The list is the one XScreenSaver reads ("Programs:"
# is, "programs :" is not); run as root on a user's file it keeps the
# file's owner and group, and gives a new file to the home's owner; a
# read-only file and another user's link in a shared directory are refused.
# usage: add_to_xscreensaver.sh LUMOX
source "$(dirname "$0")/lib.sh"
lumox=$1
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
export HOME=$work/home
mkdir -p "$HOME"
rc=$HOME/.xscreensaver

add() { "$lumox" --add-to-xscreensaver >"$work/out" 2>"$work/err"; }

note "a prepared file, twice: one entry, last in the list, every other line kept"
cat >"$rc" <<'RC'
# XScreenSaver Preferences File
# Written by xscreensaver-settings 6.06 for someone.

timeout:	0:10:00
mode:		one
selected:	2
textLiteral:	XScreenSaver
programs:								      \
				maze -root				    \n\
  GL: 				superquadrics -root			    \n\
-				qix -root -solid -segments 100		    \n\
  GL: 				"Blinky" blinkbox -root		    \n


pointerHysteresis:	10
RC
chmod 640 "$rc"
cp "$rc" "$work/before"
add || fail "first run: $(cat "$work/err")"
grep -q "^Added \"GL: lumox --root\" to the programs list of $rc" "$work/out" || fail "first run said: $(cat "$work/out")"
cp "$rc" "$work/once"
add || fail "second run: $(cat "$work/err")"
grep -q "already runs Lumox; nothing changed" "$work/out" || fail "second run said: $(cat "$work/out")"
cmp -s "$rc" "$work/once" || fail "the second run changed the file"
python3 - "$work/before" "$rc" <<'PY' || fail "the lines around the entry changed"
import sys
old = open(sys.argv[1], "rb").read().split(b"\n")
new = open(sys.argv[2], "rb").read().split(b"\n")
last = 11  # the list's last line
assert len(new) == len(old) + 1, (len(old), len(new))
assert new[:last] == old[:last]
assert new[last] == old[last] + b"\\"
assert new[last + 1] == b"\t\tGL: lumox --root \\n"
assert new[last + 2:] == old[last + 1:]
PY
[ "$(stat -c %a "$rc")" = 640 ] || fail "permissions became $(stat -c %a "$rc")"
[ -z "$(find "$HOME" -name '.xscreensaver-lumox-*')" ] || fail "a temporary file was left"

note "no file: it is made, with the entry"
rm "$rc"
add || fail "no file: $(cat "$work/err")"
grep -q "^Created the file with" "$work/out" || fail "said: $(cat "$work/out")"
grep -q "GL: lumox --root" "$rc" || fail "the new file has no entry"

note "a link stays a link; its file gets the entry"
mkdir -p "$work/dotfiles"
cp "$work/before" "$work/dotfiles/xscreensaver"
rm "$rc"
ln -s "$work/dotfiles/xscreensaver" "$rc"
add || fail "link: $(cat "$work/err")"
[ -L "$rc" ] || fail "the link was replaced by a file"
grep -q "GL: lumox --root" "$work/dotfiles/xscreensaver" || fail "the linked file has no entry"

note "Lumox switched off in the list: left alone"
rm "$rc"
printf 'programs:\t\\\n\t\tmaze -root \\n\\\n-\tGL: lumox --root --count 3 \\n\n' >"$rc"
cp "$rc" "$work/off"
add || fail "switched off: $(cat "$work/err")"
grep -q "switched off" "$work/out" || fail "said: $(cat "$work/out")"
cmp -s "$rc" "$work/off" || fail "a switched-off entry was touched"

note "a pipe, a directory, an unwritable place: a message, exit 1, nothing changed"
rm "$rc"
mkfifo "$rc"
timeout 10 "$lumox" --add-to-xscreensaver 2>"$work/err"; code=$?
[ $code = 1 ] || fail "a pipe: exit $code"
grep -q "not a regular file" "$work/err" || fail "a pipe: $(cat "$work/err")"
rm "$rc"; mkdir "$rc"
add; [ $? = 1 ] || fail "a directory was taken"
rmdir "$rc"
HOME=$work/missing "$lumox" --add-to-xscreensaver 2>"$work/err"; code=$?
[ $code = 1 ] || fail "a missing home: exit $code"
grep -q "cannot write" "$work/err" || fail "a missing home: $(cat "$work/err")"
[ ! -e "$work/missing" ] || fail "a missing home was made"

note "\"Programs:\" is the list XScreenSaver reads: the entry goes into it, no second list"
printf 'mode:\t\tone\nPrograms:\t\\\n\t\tmaze --root \\n\\\n\t\tqix --root \\n\n' >"$rc"
add || fail "Programs: $(cat "$work/err")"
[ "$(cat "$rc")" = "$(printf 'mode:\t\tone\nPrograms:\t\\\n\t\tmaze --root \\n\\\n\t\tqix --root \\n\\\n\t\tGL: lumox --root \\n')" ] ||
  fail "Programs: the file became: $(cat -A "$rc")"

note "\"programs :\" is not read by XScreenSaver: a message naming the line, exit 1, nothing changed"
printf 'mode:\t\tone\nprograms :\tmaze --root\n' >"$rc"
cp "$rc" "$work/unread"
add; code=$?
[ $code = 1 ] || fail "programs : exit $code: $(cat "$work/out")"
grep -qF "lumox: $rc: line 2, \"programs :\", is not what XScreenSaver reads as its programs list" "$work/err" ||
  fail "programs : $(cat "$work/err")"
cmp -s "$rc" "$work/unread" || fail "programs : the file changed"

as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$HOME" "$lumox" --add-to-xscreensaver \
  >"$work/out" 2>"$work/err"; }
chown 65534:65534 "$HOME"

note "root on a user's file: its owner, group and permissions stay, and the user reads it"
printf 'programs:\tmaze --root\n' >"$rc"
chown 65534:65534 "$rc"
chmod 600 "$rc"
add || fail "root: $(cat "$work/err")"
[ "$(stat -c %u:%g:%a "$rc")" = 65534:65534:600 ] || fail "root: the file became $(stat -c %U:%G:%a "$rc")"
setpriv --reuid=65534 --regid=65534 --clear-groups grep -q "GL: lumox --root" "$rc" || fail "root: the user cannot read it"

note "root making the file in a user's home: the file is the user's"
rm "$rc"
add || fail "root, new: $(cat "$work/err")"
[ "$(stat -c %u:%g "$rc")" = 65534:65534 ] || fail "root, new: the file is $(stat -c %U:%G "$rc")'s"

for who in root user; do
  note "$who: a read-only file is refused, with a message and exit 1"
  printf 'programs:\tmaze --root\n' >"$rc"
  chown 65534:65534 "$rc"
  chmod 444 "$rc"
  cp "$rc" "$work/read-only"
  if [ $who = root ]; then add; else as_user; fi
  code=$?
  [ $code = 1 ] || fail "$who, read-only: exit $code: $(cat "$work/out")"
  grep -qxF "lumox: cannot write $rc: the file is read-only; nothing changed" "$work/err" ||
    fail "$who, read-only: $(cat "$work/err")"
  cmp -s "$rc" "$work/read-only" && [ "$(stat -c %a "$rc")" = 444 ] || fail "$who, read-only: the file changed"
  rm -f "$rc"
done

note "another user's link in a home anyone may write in (sticky) is not followed"
printf 'programs:\tmaze --root\n' >"$work/dotfiles/target"
cp "$work/dotfiles/target" "$work/target.before"
chmod 1777 "$HOME"
ln -s "$work/dotfiles/target" "$rc"
chown -h 4242 "$rc"
add; code=$?
[ $code = 1 ] || fail "planted link: exit $code: $(cat "$work/out")"
grep -qF "the symbolic link $rc belongs to another user" "$work/err" || fail "planted link: $(cat "$work/err")"
cmp -s "$work/dotfiles/target" "$work/target.before" || fail "planted link: the file it names changed"
echo PASS
