#!/usr/bin/env bash
# Renders the PNG sizes of the icons from their SVG sources (dist/icons/hicolor/scalable)
# into dist/icons/hicolor/<size>/. The PNGs are kept in the repository, so that a build
# needs no SVG renderer; run this after changing an SVG (needs rsvg-convert, Debian
# package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../dist/icons/hicolor"
for svg in scalable/*/*.svg; do
  kind=$(basename "$(dirname "$svg")")
  name=$(basename "$svg" .svg)
  for size in 48 128; do
    mkdir -p "${size}x${size}/$kind"
    rsvg-convert -w "$size" -h "$size" -o "${size}x${size}/$kind/$name.png" "$svg"
  done
done
