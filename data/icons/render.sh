#!/usr/bin/env bash
# Renders the program icon's PNG sizes from quillon.svg (ImageMagick). Run after
# changing the SVG; the PNG files are committed, the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
for s in 16 22 24 32 48 64 128 256; do
    convert -background none -density $((96 * s / 128 * 4)) quillon.svg -resize "${s}x${s}" \
        -depth 8 "png32:quillon-$s.png"
done
cp quillon-64.png ../../resources/images/quillon.png
