#!/usr/bin/env bash
# Draws the program's logo, a tape cartridge, at 32 x 32 and 16 x 16 pixels and
# writes both sizes into lorvane.ico beside this script. Needs ImageMagick.
#     resources/make-logo.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

body='#27364f' edge='#5b7296' label='#f4ecd6' stripe1='#e0702b' stripe2='#2f9c95'
window='#11161f' reel='#d9dee6' hub='#27364f' tape='#8a5a2b'

# 32 x 32: the shell, a label with two stripes, a window with two reels and tape.
convert -size 32x32 xc:none \
    -fill "$body" -stroke "$edge" -strokewidth 1 -draw 'roundrectangle 1.5,5.5 30.5,26.5 3,3' \
    -stroke none \
    -fill "$label" -draw 'rectangle 5,8 26,14' \
    -fill "$stripe1" -draw 'rectangle 5,9 26,10' \
    -fill "$stripe2" -draw 'rectangle 5,12 26,12' \
    -fill "$window" -draw 'roundrectangle 7,16 24,24 2,2' \
    -fill "$tape" -draw 'rectangle 11,22 20,23' \
    -fill "$reel" -draw 'circle 11.5,20 11.5,16.8' -draw 'circle 19.5,20 19.5,16.8' \
    -fill "$hub" -draw 'circle 11.5,20 11.5,18.8' -draw 'circle 19.5,20 19.5,18.8' \
    -fill "$edge" -draw 'rectangle 4,25 5,26' -draw 'rectangle 26,25 27,26' \
    "PNG32:$work/logo-32.png"

# 16 x 16: the same cartridge with fewer details, drawn for its size.
convert -size 16x16 xc:none \
    -fill "$body" -draw 'roundrectangle 0,2 15,13 2,2' \
    -fill "$label" -draw 'rectangle 2,4 13,6' \
    -fill "$stripe1" -draw 'rectangle 2,4 13,4' \
    -fill "$window" -draw 'rectangle 3,8 12,12' \
    -fill "$reel" -draw 'rectangle 4,9 6,11' -draw 'rectangle 9,9 11,11' \
    -fill "$hub" -draw 'point 5,10' -draw 'point 10,10' \
    -fill "$tape" -draw 'rectangle 7,11 8,11' \
    "PNG32:$work/logo-16.png"

convert "$work/logo-32.png" "$work/logo-16.png" "$here/lorvane.ico"
echo "$here/lorvane.ico"
