#!/bin/sh
# Draws the main window's pictures as PNG files in resources/icons/:
#   velmora16.png, velmora32.png, velmora48.png  the program's icon (also the heading picture)
#   velmora64.png, velmora128.png, velmora256.png and velmora.svg
#                                                 the same icon for the desktop's icon theme
#   band.png                                      the bottom band, 4 x 56, stretched by the window
#   open16.png, save16.png, clear20.png           the pictures of the Open, Save and Clear buttons
# Each picture is drawn large and scaled down, which gives smooth edges. Needs ImageMagick 6
# (`convert`). Usage: scripts/draw_window_pictures.sh   (from the repository root)
set -eu
out=resources/icons
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

shrink() { convert "$1" -filter Lanczos -resize "$2x$2" -strip "PNG32:$3"; }

# The program: a globe (the names of the net) with a red stop sign over its lower right side (the
# names Velmora keeps away).
convert -size 256x256 xc:none \
    -fill '#174e8c' -draw 'circle 112,112 112,8' \
    -fill '#2f7dd1' -draw 'circle 112,112 112,20' \
    -fill none -stroke '#d6e8fb' -strokewidth 9 \
    -draw 'ellipse 112,112 44,92 0,360' -draw 'line 112,20 112,204' \
    -draw 'line 20,112 204,112' -draw 'ellipse 112,112 92,40 180,360' \
    -stroke '#7a0d0d' -strokewidth 8 -fill '#d62828' -draw 'circle 188,188 188,130' \
    -stroke none -fill white -draw 'roundrectangle 154,178 222,198 6,6' \
    "$work/velmora.png"
for size in 16 32 48 64 128; do
    shrink "$work/velmora.png" "$size" "$out/velmora$size.png"
done
convert "$work/velmora.png" -strip "PNG32:$out/velmora256.png"
# The same drawing as a scalable picture, shape for shape.
cat >"$out/velmora.svg" <<'SVG'
<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <circle cx="112" cy="112" r="104" fill="#174e8c" stroke="none"/>
  <circle cx="112" cy="112" r="92" fill="#2f7dd1" stroke="none"/>
  <g fill="none" stroke="#d6e8fb" stroke-width="9">
    <ellipse cx="112" cy="112" rx="44" ry="92"/>
    <path d="M112 20V204M20 112H204M20 112A92 40 0 0 1 204 112"/>
  </g>
  <circle cx="188" cy="188" r="58" fill="#d62828" stroke="#7a0d0d" stroke-width="8"/>
  <rect x="154" y="178" width="68" height="20" rx="6" fill="#ffffff" stroke="none"/>
</svg>
SVG

# The bottom band: light at the top, a little darker at the bottom, with a dividing line.
convert -size 4x55 gradient:'#f3f6fb'-'#c3cfe1' \
    \( -size 4x1 xc:'#8d9bb3' \) +swap -append -strip "PNG32:$out/band.png"

# Open: a sheet of text, as the file opens in the text editor.
convert -size 128x128 xc:none \
    -stroke '#4d5866' -strokewidth 8 -fill white -draw 'polygon 22,6 84,6 110,32 110,122 22,122' \
    -fill '#d9dee6' -draw 'polygon 84,6 84,32 110,32' \
    -stroke '#2f6fbf' -strokewidth 9 \
    -draw 'line 40,52 92,52' -draw 'line 40,74 92,74' -draw 'line 40,96 78,96' \
    "$work/open.png"
shrink "$work/open.png" 16 "$out/open16.png"

# Save: a floppy disk.
convert -size 128x128 xc:none \
    -stroke '#17335c' -strokewidth 8 -fill '#2d62b0' -draw 'polygon 6,6 106,6 122,22 122,122 6,122' \
    -stroke none -fill '#f4f6fa' -draw 'rectangle 28,12 98,52' \
    -fill '#17335c' -draw 'rectangle 76,18 90,46' \
    -fill '#c9d3e2' -draw 'rectangle 26,74 102,118' \
    "$work/save.png"
shrink "$work/save.png" 16 "$out/save16.png"

# Clear: an eraser rubbing out a line.
convert -size 160x160 xc:none \
    -stroke '#9aa3ad' -strokewidth 8 -draw 'line 10,146 150,146' \
    -stroke '#5b2a34' -strokewidth 7 -fill '#f07c8e' -draw 'polygon 70,18 148,74 96,138 18,82' \
    -fill '#4c8fd6' -draw 'polygon 18,82 44,52 122,108 96,138' \
    "$work/clear.png"
shrink "$work/clear.png" 20 "$out/clear20.png"
