#!/usr/bin/env bash
# Makes the uncompressed 24-bit AVI files the DirectShow capture tests play:
# twotone.avi, 160x120, 60 frames, top half 0x102030 and bottom half
# 0x405060 (exact: the colours never pass through YUV); large.avi, 320x240.
# usage: make_capture_media.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
ffmpeg -y -loglevel error -f lavfi \
  -i "color=c=0x102030:s=160x60:r=30:d=2,format=bgr24[t];color=c=0x405060:s=160x60:r=30:d=2,format=bgr24[b];[t][b]vstack" \
  -c:v rawvideo -pix_fmt bgr24 "$dir/twotone.avi"
ffmpeg -y -loglevel error -f lavfi -i testsrc=size=320x240:rate=30 -t 1 -c:v rawvideo -pix_fmt bgr24 "$dir/large.avi"
