# Installs the Debian packages that Pelvaro needs to build, run and test,
# when any is missing. Sourced by ./run and ./test.

PELVARO_RUN_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins libcups2-dev
    libwayland-dev libzint-dev zlib1g-dev libquazip1-qt6-dev
    fonts-liberation2 fonts-dejavu-core
)
# Every tool a test uses: the sanitizer build, a CUPS scheduler of the tests'
# own with its clients and ipptool, the PDF readers, the help compiler, the
# desktop entry validator, an X server with a window manager and the tools
# that drive it, a Wayland compositor (weston, with weston-debug) and Qt's
# Wayland platform; python3 runs tools/mutate; clang-format and clang-tidy
# run tools/lint; zint draws the barcodes the postal tests compare with.
PELVARO_TEST_PACKAGES=(
    clang libclang-rt-14-dev
    cups cups-client cups-ipp-utils
    poppler-utils xvfb xauth fp-utils desktop-file-utils python3
    openbox xdotool x11-utils
    clang-format clang-tidy weston qt6-wayland zint
)

# Making the Debian package and checking it as Debian's tools do, then
# running it from where it unpacks (tests/package/check-package.sh).
PELVARO_TEST_PACKAGES+=(dpkg-dev lintian appstream)

pelvaro_ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Pelvaro needs these Debian packages: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "Run as root:  apt-get update && apt-get install -y ${missing[*]}"
        return 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
