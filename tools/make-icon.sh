#!/usr/bin/env bash
# Draws the program's icon (a console window with a prompt, its output running to the right)
# and writes resources/Marvesk.ico with the sizes Windows asks for: 16, 24, 32, 48, 64 and 256.
# Needs ImageMagick. The .ico is kept in the repository; run this only to change the picture.
set -euo pipefail
cd "$(dirname "$0")/.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One master picture at 256 px; the smaller sizes are scaled from it.
convert -size 256x256 xc:none \
  -fill '#1f2a44' -stroke '#0b1020' -strokewidth 6 -draw 'roundrectangle 12,28 244,228 18,18' \
  -fill '#3b5b9a' -stroke none -draw 'roundrectangle 15,31 241,70 14,14' -draw 'rectangle 15,56 241,70' \
  -fill '#e8eef8' -draw 'circle 206,50 214,50' \
  -stroke '#7CFC9A' -strokewidth 16 -fill none -draw 'stroke-linejoin round stroke-linecap round polyline 46,102 86,136 46,170' \
  -stroke none -fill '#7CFC9A' -draw 'rectangle 100,160 150,176' \
  -fill '#c9d6ee' -draw 'rectangle 166,96 222,110' -draw 'rectangle 166,128 222,142' \
  -draw 'rectangle 166,160 206,174' -draw 'rectangle 46,196 222,210' \
  "$work/master.png"

sizes=(16 24 32 48 64 256)
files=()
for s in "${sizes[@]}"; do
  convert "$work/master.png" -filter Lanczos -resize "${s}x${s}" "PNG32:$work/icon-$s.png"
  files+=("$work/icon-$s.png")
done
convert "${files[@]}" resources/Marvesk.ico
echo "wrote resources/Marvesk.ico (${sizes[*]})"
