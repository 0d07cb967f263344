#!/bin/sh
# Renders the toolbar icons res/icons/*.svg to the 64x64 PNGs the resource file lists.
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
echo "render-icons: $count icons rendered in $dir"
