#!/usr/bin/env bash
# Builds the Debian package from a clean release build of this tree (in
# build/package, made afresh each time) and copies it to OUTDIR.
#
#   tools/package.sh [OUTDIR]     (default: build/)
#
# Then, as root:  apt install ./build/pelvaro_<version>_amd64.deb
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(mkdir -p "${1:-$root/build}" && cd "${1:-$root/build}" && pwd)"
cd "$root"
source tools/ensure-deps.sh
# The help compiler and dpkg-shlibdeps belong to the package's build.
pelvaro_ensure_packages "${PELVARO_RUN_PACKAGES[@]}" fp-utils dpkg-dev

build="$root/build/package"
rm -rf "$build"
cmake --preset release -B "$build" -DPELVARO_TESTS=OFF -DPELVARO_BENCH=OFF >/dev/null
cmake --build "$build"
[ -f "$build/bin/Documentation/Pelvaro.chm" ] || { echo "The help file was not built." >&2; exit 1; }
(cd "$build" && cpack -G DEB -B "$build/packages")
deb=("$build"/packages/pelvaro_*.deb)
cp "${deb[@]}" "$out/"
echo "Built $out/$(basename "${deb[0]}")"
