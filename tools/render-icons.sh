#!/bin/sh
# Renders the toolbar icons res/icons/*.svg to the 64x64 PNGs the resource file lists,
# and the program icon desktop/voltrek.svg to its 256x256 PNG.
# Developer tool: run after editing an SVG and commit the PNGs (the build does not render).
# Needs rsvg-convert (Debian package librsvg2-bin).
set -eu

dir="$(cd "$(dirname "$0")/../res/icons" && pwd)"

if ! command -v rsvg-convert >/dev/null 2>&1; then
    echo "render-icons: rsvg-convert not found (install librsvg2-bin)" >&2
    exit 1
fi

count=0
for svg in "$dir"/*.svg; do
    [ -e "$svg" ] || continue
    png="${svg%.svg}.png"
    # Render beside the target and rename, so a failed render never leaves a broken PNG.
    rsvg-convert --width 64 --height 64 --format png --output "$png.tmp" "$svg"
    mv "$png.tmp" "$png"
    count=$((count + 1))
done

program="$(cd "$dir/../../desktop" && pwd)/voltrek"
rsvg-convert --width 256 --height 256 --format png --output "$program.png.tmp" "$program.svg"
mv "$program.png.tmp" "$program.png"
echo "render-icons: $count icons rendered in $dir, program icon in ${program%/*}"
