#!/bin/sh
# Draws the dialog kit's pictures 100..104 (information, critical, exclamation, question, note) as
# 32 x 32 PNG files in resources/icons/. Each picture is drawn at 256 x 256 and scaled down, which
# gives smooth edges. Needs ImageMagick 6 (`convert`) and the DejaVu fonts.
# Usage: scripts/draw_dialog_icons.sh   (from the repository root)
set -eu
out=resources/icons
mkdir -p "$out"
font=DejaVu-Sans-Bold

shrink() { convert "$1" -filter Lanczos -resize 32x32 -strip "PNG32:$2"; rm -f "$1"; }

# 100 information: blue disc, white "i" drawn as a dot and a stem.
convert -size 256x256 xc:none \
    -fill '#1d5fa8' -draw 'circle 128,128 128,10' \
    -fill '#3b82cf' -draw 'circle 128,128 128,22' \
    -fill white -draw 'circle 128,70 128,51' \
    -draw 'roundrectangle 108,100 148,206 10,10' \
    "$out/100-big.png"
shrink "$out/100-big.png" "$out/100.png"

# 101 critical: red disc, white diagonal cross.
convert -size 256x256 xc:none \
    -fill '#a3161a' -draw 'circle 128,128 128,10' \
    -fill '#d9302c' -draw 'circle 128,128 128,22' \
    -stroke white -strokewidth 34 -draw 'line 84,84 172,172' -draw 'line 172,84 84,172' \
    "$out/101-big.png"
shrink "$out/101-big.png" "$out/101.png"

# 102 exclamation: amber triangle with a dark "!".
convert -size 256x256 xc:none \
    -stroke '#8a5a00' -strokewidth 14 -fill '#f4b400' \
    -draw 'polygon 128,18 244,232 12,232' \
    -stroke none -fill '#2b2b2b' -draw 'roundrectangle 113,82 143,168 10,10' \
    -draw 'circle 128,198 128,181' \
    "$out/102-big.png"
shrink "$out/102-big.png" "$out/102.png"

# 103 question: green-teal disc, white "?".
convert -size 256x256 xc:none \
    -fill '#0f6b5c' -draw 'circle 128,128 128,10' \
    -fill '#1f9c85' -draw 'circle 128,128 128,22' \
    -fill white -font "$font" -pointsize 170 -gravity center -annotate +0+6 '?' \
    "$out/103-big.png"
shrink "$out/103-big.png" "$out/103.png"

# 104 note (the default picture): a sheet with folded corner and lines of text.
convert -size 256x256 xc:none \
    -stroke '#55606e' -strokewidth 10 -fill '#fbfbf7' \
    -draw 'polygon 44,14 168,14 212,58 212,242 44,242' \
    -fill '#d6dbe2' -draw 'polygon 168,14 168,58 212,58' \
    -stroke '#5b7fb0' -strokewidth 12 \
    -draw 'line 74,96 182,96' -draw 'line 74,130 182,130' -draw 'line 74,164 182,164' -draw 'line 74,198 146,198' \
    "$out/104-big.png"
shrink "$out/104-big.png" "$out/104.png"
