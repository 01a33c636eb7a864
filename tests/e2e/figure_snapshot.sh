#!/usr/bin/env bash
# The figure in headless snapshots: identical runs give identical files, the
# default settings show a lit, structured picture, and pulse object counts
# outside 0..1000 are held to that range.
# usage: figure_snapshot.sh LUMOX
source "$(dirname "$0")/lib.sh"
lumox=$1
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
own_runtime_dir "$work"
unset DISPLAY WAYLAND_DISPLAY

# stats FILE: "MEAN STDDEV" of the picture, 0..1.
stats() { /usr/bin/convert "$1" -colorspace Gray -format '%[fx:mean] %[fx:standard_deviation]' info:; }

# write_settings RADIALBLUR COUNT: the defaults with these two fields.
write_settings() {
  mkdir -p "$XDG_CONFIG_HOME/lumox"
  python3 - "$XDG_CONFIG_HOME/lumox/lumox.cfg" "$1" "$2" <<'PY'
import struct, sys
record = bytearray(1348)
record[1024:1034] = b"127.0.0.1\0"
struct.pack_into("<iiiiiiiii f i f iiii f", record, 1280,
                 24123, 1, 1, 0, 32, 1, 1, 0, 0, 10.0, int(sys.argv[2]), 1000.0, 1, 1, 0, int(sys.argv[3]), 0.5)
open(sys.argv[1], "wb").write(record)
PY
}

note "defaults, 60 frames: the same file twice, not black, not uniform"
"$lumox" --snapshot "$work/a.png" --frames 60 || fail "snapshot failed"
"$lumox" --snapshot "$work/b.png" --frames 60 || fail "second snapshot failed"
cmp -s "$work/a.png" "$work/b.png" || fail "identical runs gave different files"
read -r mean sd <<<"$(stats "$work/a.png")"
echo "mean $mean, standard deviation $sd"
python3 -c "import sys; sys.exit(0 if $mean > 0.03 and $sd > 0.05 else 1)" || fail "picture black or uniform"

note "another seed or start time gives another picture"
"$lumox" --snapshot "$work/c.png" --frames 60 --seed 2 --start-ms 5000 || fail "snapshot failed"
cmp -s "$work/a.png" "$work/c.png" && fail "seed and start time changed nothing"

note "radial blur off still shows the figure and its trails"
write_settings 0 50
"$lumox" --snapshot "$work/noblur.png" --frames 60 || fail "snapshot without blur failed"
read -r mean sd <<<"$(stats "$work/noblur.png")"
python3 -c "import sys; sys.exit(0 if $mean > 0.01 and $sd > 0.05 else 1)" || fail "no figure without blur"

note "count 1001 draws what 1000 draws; negative counts draw nothing"
write_settings 1 1000
"$lumox" --snapshot "$work/k1000.png" --frames 4 || fail "1000 objects failed"
write_settings 1 1001
"$lumox" --snapshot "$work/k1001.png" --frames 4 || fail "1001 objects failed"
cmp -s "$work/k1000.png" "$work/k1001.png" || fail "1001 objects differ from 1000"
for count in 0 -3 -2147483648; do
  write_settings 1 "$count"
  "$lumox" --snapshot "$work/none.png" --frames 3 || fail "count $count failed"
  read -r mean sd <<<"$(stats "$work/none.png")"
  [ "$mean" = 0 ] || fail "count $count drew something (mean $mean)"
done
echo PASS
