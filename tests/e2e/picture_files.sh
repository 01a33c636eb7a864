#!/usr/bin/env bash
# Pictures as people keep them (--picture, headless snapshots): a PNG, TIFF
# or GIF gives the frames of the same pixels in a 24-bit bitmap, byte for
# byte (transparent pixels as black ones); a JPEG shows its colours; a folder
# shows one of its pictures, the one the seed picks, passing over what is
# not a picture, however many files it holds; a picture that cannot be read,
# a folder without one and a picture too large to decode say what an
# unreadable lumox.bmp says, and no snapshot is written.
# usage: picture_files.sh LUMOX
source "$(dirname "$0")/lib_host.sh" "$1" ""
unset DISPLAY WAYLAND_DISPLAY LUMOX_FRAME_TRACE
convert=/usr/bin/convert
p=$work/p
mkdir -p "$p"

note "the pictures: bitmaps written by ImageMagick, and the other formats made from them"
$convert rose: -type TrueColor BMP3:"$p/rose.bmp"
$convert "$p/rose.bmp" "$p/rose.png"
$convert "$p/rose.bmp" -interlace PNG "$p/rose-interlaced.png"
$convert "$p/rose.bmp" -compress LZW "$p/rose.tif"
$convert "$p/rose.bmp" -quality 90 "$p/rose.jpg"
$convert rose: -colors 64 -type TrueColor BMP3:"$p/rose64.bmp"
$convert "$p/rose64.bmp" "$p/rose64.gif"
# A hole of full transparency, and the same pixels laid over black.
$convert -size 48x32 gradient:orange-purple \( -size 48x32 xc:white -fill black -draw "circle 24,16 24,6" \) \
  -alpha off -compose CopyOpacity -composite PNG32:"$p/holed.png"
$convert "$p/holed.png" -background black -alpha remove -type TrueColor BMP3:"$p/holed.bmp"
$convert -size 32x32 xc:red -type TrueColor BMP3:"$p/red.bmp"
$convert "$p/red.bmp" "$p/red.png"
$convert -size 32x32 xc:lime -quality 90 "$p/green.jpg"
# Too large to decode, all of them small files: a header of 100000 x
# 100000, a real picture a pixel wider than any texture, and a header of
# 144 megapixels.
python3 - "$p" <<'EOF'
import struct, sys, zlib
def png(path, width, height, rows):
    chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
png(sys.argv[1] + "/huge-header.png", 100000, 100000, b"\0" * 301)
png(sys.argv[1] + "/wide.png", 16385, 1, b"\0" + b"\xff\0\0" * 16385)
png(sys.argv[1] + "/many-pixels.png", 12000, 12000, b"\0" * 36001)
EOF
head -c 3000 "$p/rose.png" >"$p/cut.png"
printf 'holiday notes\n' >"$p/notes.png"
mkfifo "$p/fifo.png"

# Without a camera: the pictures alone, wherever this runs.
shot=(--size 160x120 --frames 8 --no-blur --object-size 3 --count 12 --no-camera)
# snapshot NAME PICTURE [SEED]: a snapshot with --picture PICTURE into
# $work/NAME.png; its exit status in $code, its messages in $work/NAME.err.
snapshot() {
  timeout 120 "$lumox" --snapshot "$work/$1.png" "${shot[@]}" --seed "${3:-1}" --picture "$2" 2>"$work/$1.err"
  code=$?
  [ $code != 124 ] || fail "$1: the snapshot hung"
}

# NAME | PICTURE | what it gives: "same REFERENCE" (the snapshot of the
# picture REFERENCE, byte for byte), "shows COLOUR" (red or green), or
# "fails MESSAGE..." (exit 1, these lines on stderr, no snapshot)
open_failed="lumox: Open for $p/none.png failed"
cases=(
  "png|$p/rose.png|same $p/rose.bmp"
  "interlaced png|$p/rose-interlaced.png|same $p/rose.bmp"
  "tiff|$p/rose.tif|same $p/rose.bmp"
  "gif|$p/rose64.gif|same $p/rose64.bmp"
  "transparency over black|$p/holed.png|same $p/holed.bmp"
  "jpeg|$p/green.jpg|shows green"
  "png|$p/red.png|shows red"
  "missing file|$p/none.png|fails $open_failed||lumox: Image load failed."
  "text file|$p/notes.png|fails lumox: Image load failed."
  "png cut short|$p/cut.png|fails lumox: Image load failed."
  "fifo|$p/fifo.png|fails lumox: Image load failed."
  "header of 100000 x 100000|$p/huge-header.png|fails lumox: Image load failed."
  "16385 x 1|$p/wide.png|fails lumox: Image load failed."
  "header of 12000 x 12000|$p/many-pixels.png|fails lumox: Image load failed."
)
n=0
for row in "${cases[@]}"; do
  n=$((n + 1))
  IFS='|' read -r what picture expect <<<"$row"
  note "$what: ${expect%% *}"
  snapshot "case$n" "$picture"
  case $expect in
    same*)
      [ $code = 0 ] || fail "$what: exit $code: $(cat "$work/case$n.err")"
      snapshot "ref$n" "${expect#same }"
      [ $code = 0 ] || fail "$what: the reference failed: $(cat "$work/ref$n.err")"
      cmp -s "$work/case$n.png" "$work/ref$n.png" || fail "$what: not the frames of ${expect#same }" ;;
    shows*)
      [ $code = 0 ] || fail "$what: exit $code: $(cat "$work/case$n.err")"
      read -r white red green < <(colours "$work/case$n.png")
      colour=${expect#shows }
      [ "${!colour}" -gt 500 ] && [ $((red + green - ${!colour})) = 0 ] ||
        fail "$what: not $colour (red $red, green $green)" ;;
    fails*)
      [ $code = 1 ] || fail "$what: exit $code"
      expected=${expect#fails }
      [ "$(cat "$work/case$n.err")" = "${expected//||/$'\n\n'}" ] || fail "$what: messages: $(cat "$work/case$n.err")"
      [ ! -e "$work/case$n.png" ] || fail "$what: a snapshot was written" ;;
  esac
done

note "a folder: the picture the seed picks, past a text file, a FIFO, a broken PNG and a folder"
f=$work/folder
mkdir -p "$f/sub.png"
cp "$p/red.png" "$f/a.png"
cp "$p/green.jpg" "$f/c.jpg"
cp "$p/notes.png" "$f/b.png"
cp "$p/cut.png" "$f/d.png"
mkfifo "$f/e.png"
picked=
for seed in 1 2 3 4 5 6 7 8; do
  snapshot folder "$f" $seed
  [ $code = 0 ] || fail "folder, seed $seed: exit $code: $(cat "$work/folder.err")"
  [ ! -s "$work/folder.err" ] || fail "folder, seed $seed: messages: $(cat "$work/folder.err")"
  snapshot again "$f" $seed
  cmp -s "$work/folder.png" "$work/again.png" || fail "folder, seed $seed: two runs, two pictures"
  shown=
  for name in a.png c.jpg; do
    snapshot one "$f/$name" $seed
    cmp -s "$work/folder.png" "$work/one.png" && shown=$name
  done
  [ -n "$shown" ] || fail "folder, seed $seed: neither picture shows"
  echo "seed $seed: $shown"
  picked="$picked $shown"
done
[[ $picked == *a.png* && $picked == *c.jpg* ]] || fail "eight seeds picked one picture only:$picked"

note "a folder without a picture, and an empty one: as a picture that cannot be read"
rm "$f/a.png" "$f/c.jpg"
mkdir -p "$work/empty"
for folder in "$f" "$work/empty"; do
  snapshot none "$folder"
  [ $code = 1 ] || fail "$folder: exit $code"
  [ "$(cat "$work/none.err")" = "lumox: Image load failed." ] || fail "$folder: messages: $(cat "$work/none.err")"
  [ ! -e "$work/none.png" ] || fail "$folder: a snapshot was written"
done

note "a folder of 100000 files: one of them, without reading them all"
python3 -c '
import os, sys
for i in range(100000): os.link(sys.argv[1], "%s/%06d.png" % (sys.argv[2], i))' "$p/red.png" "$work/empty"
snapshot many "$work/empty" 3
[ $code = 0 ] || fail "100000 files: exit $code: $(cat "$work/many.err")"
snapshot one "$p/red.png" 3
cmp -s "$work/many.png" "$work/one.png" || fail "100000 files: not the picture"
[ ! -e "$XDG_CONFIG_HOME/lumox/lumox.cfg" ] || fail "a snapshot wrote lumox.cfg"
echo PASS
