#!/bin/sh
# Draws Payvane's icons with ImageMagick. Run from this folder; the PNG and ICO
# files it writes are committed, so building needs no ImageMagick.
set -e
S=64   # drawn large and scaled down, for smooth edges
draw() { # name, draw commands...
    name=$1; shift
    convert -size ${S}x${S} xc:none -strokewidth 0 "$@" -resize 32x32 "$name"
}
# add: green disc with a white plus
draw add.png -fill '#2e9d3a' -draw 'circle 32,32 32,3' \
    -fill white -draw 'rectangle 28,14 36,50' -draw 'rectangle 14,28 50,36'
# remove: red disc with a white bar
draw remove.png -fill '#d23a2e' -draw 'circle 32,32 32,3' \
    -fill white -draw 'rectangle 14,28 50,36'
# ok: green tick
draw ok.png -fill none -stroke '#2e9d3a' -strokewidth 9 -draw 'polyline 10,34 26,50 54,16'
# edit: a yellow pencil with a dark tip
draw edit.png -fill '#f0b429' -stroke '#8a5a00' -strokewidth 2 \
    -draw 'polygon 44,6 58,20 24,54 10,40' \
    -fill '#f4d9a8' -draw 'polygon 10,40 24,54 6,58' \
    -fill '#333333' -stroke none -draw 'polygon 6,58 9,50 14,55'
# view: a magnifying glass
draw view.png -fill '#dbe9fb' -stroke '#2d5f9e' -strokewidth 6 -draw 'circle 26,26 26,8' \
    -stroke '#2d5f9e' -strokewidth 10 -draw 'line 40,40 56,56'
# settings: a grey gear
draw settings.png -fill '#6b7380' \
    -draw 'rectangle 27,2 37,62' -draw 'rectangle 2,27 62,37' \
    -draw 'polygon 9,16 16,9 55,48 48,55' -draw 'polygon 48,9 55,16 16,55 9,48' \
    -draw 'circle 32,32 32,12' -fill '#dde3ea' -draw 'circle 32,32 32,24'
# right (import): a blue arrow pointing right
draw right.png -fill '#2d6fc6' -draw 'polygon 6,24 34,24 34,10 58,32 34,54 34,40 6,40'
# left (export): a blue arrow pointing left
draw left.png -fill '#2d6fc6' -draw 'polygon 58,24 30,24 30,10 6,32 30,54 30,40 58,40'
# paid: a green banknote with a white tick
draw paid.png -fill '#2e8b57' -stroke '#1d5e3a' -strokewidth 3 -draw 'roundrectangle 3,14 61,50 6,6' \
    -fill none -stroke white -strokewidth 7 -draw 'stroke-linecap round stroke-linejoin round polyline 18,32 28,42 46,22'
# calendar: a calendar leaf with a blue top and a grid of days
draw calendar.png -fill white -stroke '#2d5f9e' -strokewidth 3 -draw 'roundrectangle 6,10 58,58 5,5' \
    -fill '#2d6fc6' -stroke none -draw 'rectangle 7,11 57,24' \
    -fill '#2d5f9e' -draw 'rectangle 16,4 22,16' -draw 'rectangle 42,4 48,16' \
    -fill '#7a8aa0' -draw 'rectangle 14,30 22,37' -draw 'rectangle 28,30 36,37' -draw 'rectangle 42,30 50,37' \
    -draw 'rectangle 14,44 22,51' -draw 'rectangle 28,44 36,51' -fill '#d23a2e' -draw 'rectangle 42,44 50,51'
# icon.ico comes from the application icon: see make-app-icon.sh.
