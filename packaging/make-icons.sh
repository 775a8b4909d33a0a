#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the PNG icons from the SVG. Run by hand after editing the SVG and commit the result:
# the build stays free of an SVG renderer (needs rsvg-convert, Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons/hicolor"
ID=io.github.twinly.Twinly
for size in 16 32 48 64 128 256; do
    mkdir -p "${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "scalable/apps/$ID.svg" -o "${size}x${size}/apps/$ID.png"
done
