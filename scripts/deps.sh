#!/usr/bin/env bash
# deps.sh run|package|test|windows: installs the Debian packages that are missing.
#   run      what building and running the program needs; never a sound server
#            (the program uses the machine's own: PulseAudio, PipeWire or ALSA)
#   package  that, plus what building the Debian package needs (scripts/package)
#   test     both, plus what the tests need, without replacing the machine's
#            sound stack: the tests start private PulseAudio and PipeWire
#            daemons of their own
#   windows  what cross-building the Windows program, its tests and its
#            installer needs, and Wine to run them (scripts/windows-test)
# Nothing already installed is ever removed: apt refuses a plan that would.
# Quiet and quick when everything is already there.
set -euo pipefail
purpose=${1:-}
case "$purpose" in
run | package | test | windows) ;;
*)
    echo "usage: $0 run|package|test|windows" >&2
    exit 2
    ;;
esac

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

if [ "$purpose" = windows ]; then
    # mingw-w64's compilers with POSIX threads, GoogleTest's sources, Pillow
    # for the Windows resources' icons (resources/windows/make_resources.py),
    # NSIS, and Wine in an X server of its own.
    packages=(
        cmake ninja-build ccache g++-mingw-w64-x86-64-posix googletest
        python3 python3-pil nsis wine wine64 xvfb xauth
    )
else
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev
    libasound2-dev libasound2-plugins alsa-utils libpulse-dev
    libmpg123-dev mpg123 libcurl4-openssl-dev libicu-dev
    fonts-liberation2 fonts-dejavu-core
)
if [ "$purpose" != run ]; then
    # CPack's DEB generator: dpkg-shlibdeps finds the dependencies, file
    # tells it the programs and libraries; ccache lets the package's build
    # reuse the objects of the test build, which has the same flags.
    packages+=(dpkg-dev file ccache)
fi
if [ "$purpose" = test ]; then
    packages+=(
        # The install and package check (tests/install/check_install.sh).
        desktop-file-utils appstream man-db groff-base lintian
        libgtest-dev libgmock-dev libbenchmark-dev
        # The benchmarks' own X client (bench/WindowPinger: a window
        # manager's pings).
        libxcb1-dev
        sox lame python3
        # The speech recogniser the wizard loads at run time, its English
        # model, and the voice that says the test sentences for its tests.
        libpocketsphinx3 pocketsphinx-en-us espeak-ng
        # The fuzz targets (scripts/fuzz): clang with libFuzzer's runtime.
        clang libclang-rt-14-dev
        # LLVM's linker for the two test builds (scripts/test).
        lld
        pulseaudio-utils dbus
        # An X desktop for the tests that click with a real mouse
        # (tests/desktop) and read what a screen reader reads (tests/atspi):
        # an X server, a small window manager, xdotool's input, the
        # accessibility bus and its Python client.
        xvfb xauth openbox xdotool x11-utils at-spi2-core python3-pyatspi
        # PipeWire's daemons install beside PulseAudio; pipewire-alsa, which
        # conflicts with it, is never installed.
        pipewire wireplumber pipewire-pulse
    )
    # A PulseAudio daemon for the tests only where PipeWire does not serve the
    # desktop already: installing it there would take pipewire-alsa away.
    if ! installed pipewire-alsa && ! installed pipewire-pulse; then
        packages+=(pulseaudio)
    fi
fi
fi

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
if [ "${DEPS_DRY_RUN:-}" = 1 ]; then
    # What would be installed, one a line (nothing is changed).
    printf '%s\n' "${missing[@]}"
    exit 0
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        --no-remove "${missing[@]}" >/dev/null
fi
