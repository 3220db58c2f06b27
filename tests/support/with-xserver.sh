#!/bin/sh
# with-xserver.sh [--window-manager] COMMAND [ARGUMENTS...]
# Runs a command beside an X server of its own (Xvfb, 1024x768, on a display
# number the server picks itself), and with --window-manager beside openbox
# too, so that windows get frames, titles and the focus as on a desktop.
# DISPLAY points at the server. PELVARO_XSERVER tells the command whether
# it runs ("running") or could not be started ("missing"; the reason is
# printed). The server and the window manager end with the command, however
# it ends.
set -u
manager=
if [ "${1:-}" = --window-manager ]; then
    manager=openbox
    shift
fi
dir=$(mktemp -d /tmp/pelvaro-xserver.XXXXXX)
server= wm=
cleanup() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

. "$(dirname "$0")/wait-for.sh"
wm_ready() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    # Now and then it finds the new server not yet taking connections and
    # gives up: it is started again.
    kill -0 "$wm" 2>/dev/null || { "$manager" --sm-disable >>"$dir/wm.log" 2>&1 & wm=$!; }
    return 1
}

export PELVARO_XSERVER=missing
missing=
for tool in Xvfb xprop ${manager:+"$manager"}; do
    command -v "$tool" >/dev/null 2>&1 || missing="$missing $tool"
done
if [ -n "$missing" ]; then
    echo "with-xserver: not installed:$missing (packages xvfb, x11-utils, openbox)"
else
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
    server=$!
    if ! wait_for test -s "$dir/display"; then
        echo "with-xserver: Xvfb did not start:"
        cat "$dir/xvfb.log"
    else
        export DISPLAY=":$(head -n 1 "$dir/display")"
        PELVARO_XSERVER=running
        if [ -n "$manager" ]; then
            "$manager" --sm-disable >"$dir/wm.log" 2>&1 &
            wm=$!
            if ! wait_for wm_ready; then
                echo "with-xserver: $manager did not start:"
                cat "$dir/wm.log"
                PELVARO_XSERVER=missing
            fi
        fi
    fi
fi
"$@"
