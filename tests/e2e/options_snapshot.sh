#!/usr/bin/env bash
# Every option of a setting gives, in a snapshot, exactly the picture that
# the same value in lumox.cfg gives (byte for byte), and leaves the file as
# it was; the visible ones change the picture. No run creates the file.
# usage: options_snapshot.sh LUMOX
source "$(dirname "$0")/lib.sh"
lumox=$1
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
own_runtime_dir "$work"
export LUMOX_VIDEO_SOURCE=nosuchelement  # no camera, wherever this runs
unset DISPLAY WAYLAND_DISPLAY
cfg=$XDG_CONFIG_HOME/lumox/lumox.cfg
mkdir -p "$XDG_CONFIG_HOME/lumox"

# settings FIELD=VALUE...: lumox.cfg with the defaults and the given fields.
settings() {
  python3 - "$cfg" "$@" <<'PY'
import struct, sys
fields = ["hostPort", "auxFlag", "textureFilter", "resolutionIndex", "colorBits", "fullScreen", "limitFrameRate",
          "fluctuateTunnelSpeed", "extraSaturation", "outwardSpeed", "radialBlur", "pulseRate", "pulseSquiggle",
          "pulseRotate", "reservedWord", "pulseObjectCount", "pulseObjectSize"]
values = dict(zip(fields, [24123, 1, 1, 0, 32, 1, 1, 0, 0, 10.0, 1, 1000.0, 1, 1, 0, 50, 0.5]))
for given in sys.argv[2:]:
    name, value = given.split("=")
    values[name] = float(value) if isinstance(values[name], float) else int(value)
record = bytearray(1348)
record[1024:1034] = b"127.0.0.1\0"
struct.pack_into("<iiiiiiiii f i f iiii f", record, 1280, *[values[f] for f in fields])
open(sys.argv[1], "wb").write(record)
PY
}

# snapshot NAME [OPTION...]: a small snapshot of some frames with the options.
snapshot() {
  local name=$1; shift
  "$lumox" --snapshot "$work/$name.png" --size 160x120 --frames 12 --start-ms 2000 --step-ms 40 "$@" 2>"$work/err" ||
    fail "$name: $* failed: $(cat "$work/err")"
}

note "no settings file: a run with options creates none"
rm -f "$cfg"
snapshot none --speed 40 --no-blur --count 9
[ ! -e "$cfg" ] || fail "a snapshot with options wrote lumox.cfg"

settings
snapshot defaults
/usr/bin/convert -size 16x16 gradient:red-blue -type TrueColor BMP3:"$work/other.bmp"

# same BASE FIELD=VALUE OPTION...: with lumox.cfg holding BASE, the options
# give the picture of BASE with FIELD=VALUE; the file is untouched.
checked=0
same() {
  local base=$1 field=$2; shift 2
  # shellcheck disable=SC2086
  settings $base
  local before; before=$(md5sum <"$cfg")
  snapshot option "$@"
  [ "$(md5sum <"$cfg")" = "$before" ] || fail "$*: lumox.cfg changed"
  # shellcheck disable=SC2086
  settings $base $field
  snapshot file
  cmp -s "$work/option.png" "$work/file.png" || fail "$* and $field in lumox.cfg give different pictures"
  if [ -z "$base" ] && [ "$field" != limitFrameRate=0 ]; then
    cmp -s "$work/option.png" "$work/defaults.png" && fail "$* changes nothing in the picture"
  fi
  checked=$((checked + 1))
}

note "each option against the same value in lumox.cfg"
same "" outwardSpeed=37 --speed 37
same "" outwardSpeed=62.5 -speed 62.5
same "" outwardSpeed=90 --speed 90
same "" pulseRate=250 --pulse-rate 250
same "" pulseRate=10000 --pulse-rate 10000
same "" pulseObjectCount=7 --count 7
same "" pulseObjectCount=1000 --count 1000
same "" pulseObjectSize=1.3 --object-size 1.3
same "" pulseObjectSize=0.1 --object-size 0.1
same "" radialBlur=0 --no-blur
same "radialBlur=0" radialBlur=1 --blur
same "" fluctuateTunnelSpeed=1 --fluctuate
same "fluctuateTunnelSpeed=1" fluctuateTunnelSpeed=0 -no-fluctuate
same "" extraSaturation=1 --saturation
same "extraSaturation=1" extraSaturation=0 --no-saturation
same "" pulseSquiggle=0 --no-squiggle
same "pulseSquiggle=0" pulseSquiggle=1 --squiggle
same "" pulseRotate=0 --no-rotate
same "pulseRotate=0" pulseRotate=1 --rotate
same "" limitFrameRate=0 --no-limit-frame-rate
same "limitFrameRate=0" limitFrameRate=1 --limit-frame-rate
same "" limitFrameRate=0 --delay 0
same "limitFrameRate=0" limitFrameRate=1 --delay 10000

note "--picture FILE against FILE as lumox.bmp"
settings
snapshot option --picture "$work/other.bmp"
cp "$work/other.bmp" "$XDG_CONFIG_HOME/lumox/lumox.bmp"
snapshot file
rm "$XDG_CONFIG_HOME/lumox/lumox.bmp"
cmp -s "$work/option.png" "$work/file.png" || fail "--picture and lumox.bmp give different pictures"
cmp -s "$work/option.png" "$work/defaults.png" && fail "--picture changes nothing"

note "--picture with a file it cannot read: the saver's own messages, no file written"
rm -f "$cfg"
"$lumox" --snapshot "$work/x.png" --picture "$work/none.bmp" 2>"$work/err" && fail "a missing --picture was taken"
grep -qx "lumox: Open for $work/none.bmp failed" "$work/err" || fail "messages: $(cat "$work/err")"
grep -qx "lumox: Image load failed." "$work/err" || fail "messages: $(cat "$work/err")"
[ ! -e "$cfg" ] || fail "a broken --picture wrote lumox.cfg"
echo "PASS ($checked options)"
