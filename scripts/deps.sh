#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Quiet and quick when everything is already there.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libasound2-dev libasound2-plugins alsa-utils libpulse-dev
    libmpg123-dev mpg123 libcurl4-openssl-dev libicu-dev
    fonts-liberation2 fonts-dejavu-core
    pulseaudio pulseaudio-utils
    python3
    clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
