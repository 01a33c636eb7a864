#!/usr/bin/env bash
# Where a snapshot writes, for real, as root and as an unprivileged user
# (uid 65534): a link another user planted in a sticky directory anyone may
# write in (as /tmp is) is not followed, whatever fs.protected_symlinks
# says, and the file it names stays as it was; one's own link there, and
# the directory owner's, are followed. A directory the user may not write
# in, beside a file the user may, is named in the message. Temporaries that
# a killed run left beside the PNG (its process gone) are removed by the
# next snapshot there, and nothing else is.
# usage: write_places.sh LUMOX
source "$(dirname "$0")/lib.sh"
lumox=$1
[ "$(id -u)" = 0 ] || { echo "SKIP: needs root to make files of other users"; exit 77; }
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
planter=4242  # another user, who plants links

# snapshot AS OUT: a headless run (AS: "root" or "user"); exit code in CODE,
# messages in $work/err.
snapshot() {
  local as=()
  [ "$1" = user ] && as=("${user[@]}")
  "${as[@]}" env -i PATH=/usr/bin:/bin XDG_CONFIG_HOME="$work/none" \
    timeout 60 "$lumox" --snapshot "$2" --size 8x8 --frames 1 2>"$work/err"
  CODE=$?
}
is_png() { [ "$(head -c 4 "$1" | tail -c 3)" = PNG ]; }

shared=$work/shared
mkdir "$shared"
chmod 1777 "$shared"
# What the planted links lead to: a file of the user's, in the user's home.
home=$work/home
mkdir "$home"
chown 65534:65534 "$home"
victim=$home/victim

for as in root user; do
  note "$as: another user's link in a sticky directory anyone may write in is not followed"
  printf precious >"$victim"
  chown 65534:65534 "$victim"
  ln -s "$victim" "$shared/shot.png"
  chown -h "$planter" "$shared/shot.png"
  snapshot "$as" "$shared/shot.png"
  [ "$CODE" = 1 ] || fail "$as: exit $CODE: $(cat "$work/err")"
  grep -qF "lumox: cannot write \"$shared/shot.png\": the symbolic link $shared/shot.png belongs to another user" \
    "$work/err" || fail "$as: messages: $(cat "$work/err")"
  [ "$(cat "$victim")" = precious ] || fail "$as: the file the link names was written"
  [ "$(ls -A "$shared")" = shot.png ] && [ -L "$shared/shot.png" ] || fail "$as: left: $(ls -A "$shared")"

  note "$as: one's own link there is followed"
  owner=0
  [ "$as" = user ] && owner=65534
  chown -h "$owner" "$shared/shot.png"
  snapshot "$as" "$shared/shot.png"
  [ "$CODE" = 0 ] || fail "$as: own link: exit $CODE: $(cat "$work/err")"
  is_png "$victim" || fail "$as: own link: no PNG where it leads"
  [ -L "$shared/shot.png" ] || fail "$as: own link: the link was replaced"
  rm "$shared/shot.png" "$victim"
done

note "the directory owner's link in a sticky directory is followed"
owned=$work/owned
mkdir "$owned"
chmod 1777 "$owned"
chown "$planter" "$owned"
printf precious >"$victim"
ln -s "$victim" "$owned/shot.png"
chown -h "$planter" "$owned/shot.png"
snapshot root "$owned/shot.png"
[ "$CODE" = 0 ] || fail "the directory owner's link: exit $CODE: $(cat "$work/err")"
is_png "$victim" || fail "the directory owner's link: no PNG where it leads"

note "user: a writable file in a directory the user may not write in: the message names the directory"
closed=$work/closed
mkdir "$closed"
printf precious >"$closed/shot.png"
chmod 666 "$closed/shot.png"
snapshot user "$closed/shot.png"
[ "$CODE" = 1 ] || fail "closed directory: exit $CODE: $(cat "$work/err")"
grep -qxF "lumox: cannot write \"$closed/shot.png\": the directory $closed is not writable" "$work/err" ||
  fail "closed directory: messages: $(cat "$work/err")"
[ "$(cat "$closed/shot.png")" = precious ] || fail "closed directory: the file changed"

note "temporaries of a run that was killed go with the next snapshot there; nothing else does"
places=$work/places
mkdir "$places"
gone=$(bash -c 'echo $$')
stale="shot.png.new-$gone-0"
others=("shot.png.new-1-0" "shot.png.new-$gone-0.bak" "other.png.new-$gone-0" "shot.png.new-$gone")
for name in "$stale" "${others[@]}"; do printf half >"$places/$name"; done
snapshot root "$places/shot.png"
[ "$CODE" = 0 ] || fail "temporaries: exit $CODE: $(cat "$work/err")"
[ ! -e "$places/$stale" ] || fail "the killed run's temporary stays"
for name in "${others[@]}"; do [ "$(cat "$places/$name")" = half ] || fail "$name was touched"; done
[ "$(ls -A "$places" | wc -l)" = 5 ] || fail "left: $(ls -A "$places")"
echo PASS
