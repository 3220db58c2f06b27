#!/bin/sh
# with-weston.sh [--no-seat] COMMAND [ARGUMENTS...]
# Runs a command beside a Wayland compositor of its own: weston with its
# desktop shell, on a socket of its own in a runtime folder of its own
# (0700), with its debug protocol on, so that `weston-debug scene-graph`
# shows its windows, their titles and places.
#
# By default weston draws into an X server of its own (with-xserver.sh,
# 1024x768) and takes that server's keyboard and pointer as its seat, as a
# desktop's compositor takes the machine's: DISPLAY names that server, and
# what xdotool types or clicks there reaches the Wayland windows. With
# --no-seat weston runs headless with no input device at all, as a kiosk
# or remote desktop does before anyone plugs in or connects.
#
# WAYLAND_DISPLAY and XDG_RUNTIME_DIR point at it and QT_QPA_PLATFORM is
# wayland. PELVARO_WESTON tells the command whether it runs ("running") or
# could not be started ("missing"; the reason is printed). The compositor
# ends with the command, however it ends.
set -u
here=$(dirname "$0")
backend=x11
case "${1:-}" in
--no-seat) backend=headless; shift ;;
--in-xserver) shift ;;
*) exec "$here/with-xserver.sh" "$0" --in-xserver "$@" ;;
esac

dir=$(mktemp -d /tmp/pelvaro-weston.XXXXXX)
compositor=
cleanup() {
    [ -n "$compositor" ] && kill "$compositor" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

. "$here/wait-for.sh"
# Up, or gone for good.
settled() {
    test -S "$dir/runtime/pelvaro" || ! kill -0 "$compositor" 2>/dev/null
}

# No fade-in, no idle blanking: what is drawn is on the screen at once. No
# on-screen keyboard over the lower part of the screen either, as on a
# desktop with a keyboard; the text input protocol is still offered.
cat >"$dir/weston.ini" <<INI
[core]
idle-time=0
[shell]
startup-animation=none
close-animation=none
[input-method]
path=
INI
export PELVARO_WESTON=missing
if ! command -v weston >/dev/null 2>&1 || ! command -v weston-debug >/dev/null 2>&1; then
    echo "with-weston: not installed: weston (package weston)"
elif ! ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1; then
    echo "with-weston: not installed: Qt's Wayland platform (package qt6-wayland)"
elif [ "$backend" = x11 ] && [ "${PELVARO_XSERVER:-}" != running ]; then
    echo "with-weston: no X server to draw into"
else
    mkdir -m 0700 "$dir/runtime"
    XDG_RUNTIME_DIR="$dir/runtime" weston --backend="$backend-backend.so" --socket=pelvaro \
        --config="$dir/weston.ini" --debug --use-pixman --width=1024 --height=768 \
        >"$dir/weston.log" 2>&1 &
    compositor=$!
    # The socket is made once the backend and its seat are up; a client
    # that connects early is answered once the shell is loaded too.
    if ! wait_for settled || ! test -S "$dir/runtime/pelvaro"; then
        echo "with-weston: weston did not start:"
        cat "$dir/weston.log"
    else
        export XDG_RUNTIME_DIR="$dir/runtime" WAYLAND_DISPLAY=pelvaro QT_QPA_PLATFORM=wayland
        PELVARO_WESTON=running
    fi
fi
"$@"
