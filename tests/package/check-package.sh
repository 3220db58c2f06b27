#!/usr/bin/env bash
# Makes the Debian package of a build, checks it with Debian's own tools,
# unpacks it into a temporary folder and runs the programs from there: the
# window program on the X server that support/with-xserver.sh started for
# it (no window manager is needed), where F1 must reach the installed
# help and Escape must close it with the settings saved; the command-line
# tool, when the package has it, prints its version and an envelope as PDF.
#
#   with-xserver.sh check-package.sh BUILD_DIR VERSION [CPACK]
#
# A missing tool skips the check (exit 77), and fails it under CI=true.
set -euo pipefail
build=$1 version=$2 cpack=${3:-cpack}

missing=()
for tool in "$cpack" dpkg-deb dpkg-shlibdeps lintian appstreamcli desktop-file-validate \
    xdotool pdfinfo pdftotext; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
[ -f "$build/bin/Documentation/Pelvaro.chm" ] || missing+=("chmcmd (no help file was built)")
[ "${PELVARO_XSERVER:-}" = running ] || missing+=("an X server (support/with-xserver.sh)")
if [ ${#missing[@]} -gt 0 ]; then
    echo "Missing: ${missing[*]} (Debian packages dpkg-dev lintian appstream" \
        "desktop-file-utils xvfb xdotool poppler-utils fp-utils)"
    [ "${CI:-}" = true ] && exit 1
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pelvaro-package.XXXXXX")
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
. "$(dirname "$0")/../support/wait-for.sh"

echo "== the package"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack could not make the package"; }
deb="$work/out/pelvaro_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$work/out")"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
[[ "$depends" == *libqt6widgets6* && "$depends" == *libc6* ]] ||
    fail "the dependencies were not computed from the programs"
[[ "$depends" == *libcups2* && "$depends" == *libzint* ]] ||
    fail "the libraries opened at run time are not among the dependencies"

echo "== lintian"
lintian_status=0
lintian --fail-on error --display-info "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$work/lintian.log" || true
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors"

echo "== the files"
root="$work/root"
dpkg-deb -x "$deb" "$root"
[ "$(ls "$root")" = usr ] || fail "files outside /usr: $(ls "$root")"
programs=()
for program in "$root"/usr/bin/*; do
    name=${program##*/}
    [[ "$name" == Pelvaro || "$name" == pelvaro-cli ]] || fail "not a program in /usr/bin: $name"
    [ -f "$root/usr/share/man/man1/$name.1.gz" ] || fail "no manual page for $name"
    programs+=("$name")
done
echo "Programs: ${programs[*]}"
for file in usr/bin/Pelvaro usr/share/pelvaro/Pelvaro.chm usr/share/doc/pelvaro/html/index.html \
    usr/share/doc/pelvaro/copyright usr/share/applications/pelvaro.desktop \
    usr/share/icons/hicolor/scalable/apps/pelvaro.svg; do
    [ -f "$root/$file" ] || fail "missing /$file"
done
for size in 16 22 24 32 48 64 128 256; do
    [ -f "$root/usr/share/icons/hicolor/${size}x${size}/apps/pelvaro.png" ] ||
        fail "no ${size}x${size} icon"
done
desktop-file-validate "$root/usr/share/applications/pelvaro.desktop" || fail "desktop entry"
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "${metainfo[@]}" || fail "AppStream metadata"
grep -q "<release version=\"$version\"" "${metainfo[@]}" || fail "the AppStream release is not $version"

echo "== the window program"
# Settings and data of the check's own; the system's MIME types but none of
# its programs, so that no viewer for the help file is registered; and an
# opener that writes down what it is asked to open.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data"
export XDG_DATA_DIRS="$work/desktop" XDG_CONFIG_DIRS="$work/desktop" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$work/desktop" "$work/path"
mkdir -m 700 "$XDG_RUNTIME_DIR"
ln -s /usr/share/mime "$work/desktop/mime"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >> "%s"\n' "$work/opened" >"$work/path/xdg-open"
chmod +x "$work/path/xdg-open"
export PATH="$work/path:$PATH"

QT_QPA_PLATFORM=xcb "$root/usr/bin/Pelvaro" >"$work/app.log" 2>&1 &
app=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Pelvaro$' | head -n1) ||
    fail "no window: $(cat "$work/app.log")"
# There is no window manager to give it the focus.
xdotool windowfocus --sync "$window"
xdotool key F1
wait_for test -s "$work/opened" || fail "F1 opened nothing"
[ "$(cat "$work/opened")" = "file://$root/usr/share/doc/pelvaro/html/index.html" ] ||
    fail "F1 opened $(cat "$work/opened")"
xdotool key Escape
wait_for eval '! kill -0 "$app" 2>/dev/null' || fail "Escape did not close the window"
status=0
wait "$app" || status=$?
app=""
[ "$status" -eq 0 ] || fail "the window program ended with status $status: $(cat "$work/app.log")"
[ -s "$XDG_CONFIG_HOME/Torvane Software/registry.reg" ] || fail "no settings saved on closing"

if [ -x "$root/usr/bin/pelvaro-cli" ]; then
    echo "== the command-line tool"
    export QT_QPA_PLATFORM=offscreen
    said=$("$root/usr/bin/pelvaro-cli" --version) || fail "pelvaro-cli --version failed"
    [[ "$said" == *"$version"* ]] || fail "pelvaro-cli --version says: $said"
    "$root/usr/bin/pelvaro-cli" print --from 'Ann Sender\n1 Main Street' \
        --to 'Bob Receiver\n2 High Street' --pdf "$work/envelope.pdf" ||
        fail "pelvaro-cli print failed"
    pdfinfo "$work/envelope.pdf" | grep -Eq '^Pages: +1$' || fail "the PDF is not one page"
    pdftotext "$work/envelope.pdf" - | grep -q 'Bob Receiver' || fail "the PDF lacks the address"
fi
echo "The package $(basename "$deb") is sound."
