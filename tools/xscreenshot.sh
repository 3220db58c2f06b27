#!/bin/bash
# Takes a screenshot of Pelvaro (or any command) in a real X window: runs
# it in a virtual X display with fresh, empty settings and data folders,
# waits, and saves the screen as a PNG.
#
#   tools/xscreenshot.sh [-o OUT.png] [-s WxH] [-w SECONDS] [-k KEYS] [-m] [-- COMMAND ARGS...]
#
#   -o  where to save (default: screenshot.png)
#   -s  screen size (default: 800x600)
#   -w  seconds to wait before the shot (default: 2)
#   -k  keys to type first, xdotool syntax, if xdotool is installed (e.g. "Tab space a")
#   -m  run the openbox window manager, so that windows have their frames
#   COMMAND defaults to build/release/bin/Pelvaro.
#
# Needs Xvfb and a C++ compiler with Qt 6 (the grabber is built once into
# build/tools/). Set PELVARO_KEEP_HOME=1 to run with your own settings.
# tools/screenshot.sh instead renders the dialogs offscreen, without X.

set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out=screenshot.png size=800x600 wait=2 keys="" manager=""
while getopts "o:s:w:k:m" opt; do
    case "$opt" in
    o) out="$OPTARG" ;;
    s) size="$OPTARG" ;;
    w) wait="$OPTARG" ;;
    k) keys="$OPTARG" ;;
    m) manager=openbox ;;
    *) sed -n '2,18p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ "${1:-}" = "--" ] && shift
[ $# -gt 0 ] || set -- "$root/build/release/bin/Pelvaro"

grabber="$root/build/tools/screengrab"
if [ ! -x "$grabber" ] || [ "$root/tools/screengrab.cpp" -nt "$grabber" ]; then
    mkdir -p "$(dirname "$grabber")"
    # shellcheck disable=SC2046
    g++ -std=c++17 -fPIC -O1 -o "$grabber" "$root/tools/screengrab.cpp" \
        $(pkg-config --cflags --libs Qt6Gui)
fi

# A free display number.
display=99
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
    display=$((display + 1))
done

scratch="$(mktemp -d)"
app_pid="" xvfb_pid="" wm_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

Xvfb ":$display" -screen 0 "${size}x24" -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display}" ] && break
    sleep 0.1
done

export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
if [ -z "${PELVARO_KEEP_HOME:-}" ]; then
    export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
fi
if [ -n "$manager" ]; then
    "$manager" --sm-disable >"$scratch/wm.log" 2>&1 &
    wm_pid=$!
    for _ in $(seq 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
fi

"$@" >"$scratch/app.log" 2>&1 &
app_pid=$!
sleep "$wait"
if [ -n "$keys" ]; then
    if command -v xdotool >/dev/null; then
        # shellcheck disable=SC2086
        xdotool key --delay 100 $keys
        sleep 1
    else
        echo "xdotool is not installed; keys not typed" >&2
    fi
fi
if ! kill -0 "$app_pid" 2>/dev/null; then
    echo "the command ended before the screenshot; its output:" >&2
    cat "$scratch/app.log" >&2
    exit 1
fi
"$grabber" "$out"
echo "saved $out"
