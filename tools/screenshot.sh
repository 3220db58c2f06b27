#!/bin/sh
# Renders the main window and the about box to PNG files for a look:
#   tools/screenshot.sh [output folder] [scale factor]
# Builds the renderer in build/screenshot unless PELVARO_BUILD_DIR names an
# existing build tree. Without a display it renders offscreen.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/screenshots}
scale=${2:-1}
build=${PELVARO_BUILD_DIR:-$root/build/screenshot}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELVARO_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target pelvaro_screenshot
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=offscreen
fi
"$build/bin/pelvaro_screenshot" "$out" "$scale"
echo "$out/main.png"
echo "$out/about.png"
echo "$out/alignment.png"
echo "$out/sheet-chooser.png"
echo "$out/column-mapping.png"
echo "$out/layout.png"
