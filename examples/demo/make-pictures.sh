#!/usr/bin/env bash
# Makes the demo's pictures with ImageMagick; the results are committed beside
# this script, so it only needs running when they change.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/pictures"

# A sunrise gradient with a disc: PNG.
convert -size 320x240 gradient:'#0b1d51-#ff9e3d' \
  -fill '#fff2a8' -draw 'circle 160,170 160,130' \
  -depth 8 -strip -define png:exclude-chunks=date,time sunrise.png

# Colour bars: 24-bit BMP, kept small.
convert -size 160x120 xc:black \
  -fill '#c0c0c0' -draw 'rectangle 0,0 22,119' \
  -fill '#c0c000' -draw 'rectangle 23,0 45,119' \
  -fill '#00c0c0' -draw 'rectangle 46,0 68,119' \
  -fill '#00c000' -draw 'rectangle 69,0 91,119' \
  -fill '#c000c0' -draw 'rectangle 92,0 114,119' \
  -fill '#c00000' -draw 'rectangle 115,0 137,119' \
  -fill '#0000c0' -draw 'rectangle 138,0 159,119' \
  -strip -type TrueColor BMP3:bars.bmp

# A plasma-like pattern from a fixed seed: JPEG.
convert -seed 1234 -size 320x240 plasma:'#203060-#60a0ff' -blur 0x2 \
  -strip -quality 80 waves.jpg

# The window icon: 16 x 16 and 32 x 32.
convert -size 32x32 xc:none -fill '#ff9e3d' -draw 'circle 16,16 16,3' \
  -define icon:auto-resize=32,16 icon.ico
