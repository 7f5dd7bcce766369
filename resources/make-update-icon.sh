#!/bin/sh
# Draws the updater's icon with ImageMagick: a blue disc with a white arrow
# pointing down into a tray, in 16, 32 and 48 pixels. Run from this folder;
# the ICO file it writes is committed, so building needs no ImageMagick.
set -e
convert -size 96x96 xc:none \
    -fill '#2d6fc6' -stroke '#1d4f92' -strokewidth 3 -draw 'circle 48,48 48,4' \
    -stroke none -fill white \
    -draw 'rectangle 41,18 55,50' -draw 'polygon 26,46 70,46 48,68' \
    -draw 'rectangle 24,72 72,78' -draw 'rectangle 24,62 30,78' -draw 'rectangle 66,62 72,78' \
    /tmp/payvane-update-icon-96.png
convert /tmp/payvane-update-icon-96.png -define icon:auto-resize=48,32,16 update-icon.ico
rm -f /tmp/payvane-update-icon-96.png
