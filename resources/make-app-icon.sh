#!/bin/sh
# Renders Payvane's application icon from payvane.svg: the PNG sizes the
# desktop's icon theme gets (whole multiples of the 16-unit grid, so every
# edge is crisp) and icon.ico for the windows. Needs rsvg-convert
# (librsvg2-bin) and ImageMagick; run from this folder. The files it writes
# are committed, so building needs neither.
set -e
for size in 16 32 48 64 128 256; do
    rsvg-convert -w $size -h $size payvane.svg -o payvane-$size.png
done
convert payvane-48.png payvane-32.png payvane-16.png icon.ico
