#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Retakes the screenshots of this folder from the current program: builds the small helper
# (shoot.cpp) in the dev build folder and runs it under Xvfb, so the window is drawn by a real
# X server; without xvfb-run it draws offscreen.
#   docs/screenshots/take.sh [BUILD_DIR]     (default: build/dev)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build/dev}
[ -f "$build/CMakeCache.txt" ] ||
    cmake -S "$root" -B "$build" -G Ninja -DTWINLY_BENCH=OFF >/dev/null
cmake --build "$build" --target twinly_screenshots
shoot=$build/tests/twinly_screenshots
# A settings, data and cache folder of its own: nothing of the user's shows or is touched.
scratch=$(mktemp -d /tmp/home.XXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/runtime" && chmod 700 "$scratch/runtime"
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data \
    XDG_CACHE_HOME=$scratch/cache XDG_RUNTIME_DIR=$scratch/runtime LANG=C.UTF-8 LC_ALL=C.UTF-8
if command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb "$shoot" "$here"
else
    QT_QPA_PLATFORM=offscreen "$shoot" "$here"
fi
