#!/usr/bin/env bash
# The files that make Lumox an XScreenSaver hack, as the build made them:
# lumox.xml is well-formed, has the panel's frame, and every switch its
# controls can write (at the ends and the default of each slider) is taken
# by the program, alone and behind --root; the man page names every option
# of --help and renders without a warning.
# usage: hack_files.sh LUMOX LUMOX_XML LUMOX_6X_GZ
source "$(dirname "$0")/lib.sh"
lumox=$1 xml=$2 man_page=$3
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
own_runtime_dir "$work"
export LUMOX_VIDEO_SOURCE=nosuchelement
unset DISPLAY WAYLAND_DISPLAY
command -v xmllint >/dev/null || fail "xmllint (libxml2-utils) is not installed"

note "lumox.xml: well-formed, the panel of a GL hack run with --root"
xmllint --noout "$xml" || fail "lumox.xml is not well-formed"
q() { xmllint --xpath "$1" "$xml"; }
[ "$(q 'string(/screensaver/@name) ')" = lumox ] || fail "name"
[ "$(q 'string(/screensaver/@_label)')" = Lumox ] || fail "_label"
[ "$(q 'string(/screensaver/@gl)')" = yes ] || fail "gl"
[ "$(q 'string(/screensaver/command/@arg)')" = --root ] || fail "command"
[ "$(q 'count(//boolean[@id="showfps" and @arg-set="--fps" and @_label="Show frame rate"])')" = 1 ] ||
  fail "no Show frame rate box"
[ "$(q 'count(//number[@arg="--delay %" and @convert="invert" and @_label="Frame rate"])')" = 1 ] ||
  fail "no inverted Frame rate slider on --delay"
[ -n "$(q 'string(//_description)')" ] || fail "no description"
[ "$(q 'count(//boolean[@arg-set and @arg-unset])')" = 0 ] || fail "a check box with both arg-set and arg-unset"

# Every command line the panel can write, one switch at a time.
/usr/bin/convert -size 8x8 xc:orange -type TrueColor BMP3:"$work/picture.bmp"
switches=()
for ((i = 1; i <= $(q 'count(//boolean)'); i++)); do
  switches+=("$(q "string((//boolean)[$i]/@arg-set)")$(q "string((//boolean)[$i]/@arg-unset)")")
done
for ((i = 1; i <= $(q 'count(//number)'); i++)); do
  arg=$(q "string((//number)[$i]/@arg)")
  for at in low high default; do switches+=("${arg/\%/$(q "string((//number)[$i]/@$at)")}"); done
done
for ((i = 1; i <= $(q 'count(//file)'); i++)); do switches+=("$(q "string((//file)[$i]/@arg)" | sed "s|%|$work/picture.bmp|")"); done
for ((i = 1; i <= $(q 'count(//string)'); i++)); do switches+=("$(q "string((//string)[$i]/@arg)" | sed 's|%|SomeCamera|')"); done

note "every switch of lumox.xml is taken (${#switches[@]} command lines)"
for switch in "${switches[@]}"; do
  read -r -a words <<<"$switch"
  "$lumox" --snapshot "$work/s.png" --frames 1 --size 32x24 "${words[@]}" 2>"$work/err" ||
    fail "lumox --snapshot ... $switch: $(cat "$work/err")"
  # Behind --root without a display the command line is taken (exit 1 for
  # the display), not refused (255).
  "$lumox" --root "${words[@]}" 2>"$work/err"; code=$?
  [ "$code" = 1 ] && grep -q "display" "$work/err" || fail "lumox --root $switch: exit $code: $(cat "$work/err")"
done
[ ! -e "$XDG_CONFIG_HOME/lumox/lumox.cfg" ] || fail "a switch wrote lumox.cfg"

note "the man page names every option of --help and renders without a warning"
zcat "$man_page" >"$work/lumox.6x" || fail "the man page is not gzip"
MANWIDTH=200 man --warnings -l "$work/lumox.6x" 2>"$work/warnings" >"$work/man.txt" || fail "man failed"
[ ! -s "$work/warnings" ] || fail "man warns: $(cat "$work/warnings")"
options=$("$lumox" --help | grep -oE -- '--(\[no-\])?[a-z][a-z-]+' | sed 's/\[no-\]//' | sort -u)
[ "$(wc -l <<<"$options")" -ge 25 ] || fail "--help names too few options: $options"
for option in $options; do
  grep -q -- "$option" "$work/man.txt" || fail "the man page does not name $option"
done
echo PASS
