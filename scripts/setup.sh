#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and running the programs need.
# Idempotent: when everything is installed already it changes nothing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config git dpkg-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsndfile1-dev libfftw3-dev librubberband-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth fonts-liberation fonts-dejavu-core
    libpulse-dev pulseaudio pulseaudio-utils sox espeak-ng
    pipewire pipewire-pulse wireplumber dbus-bin
    clang libclang-rt-14-dev
    desktop-file-utils shared-mime-info libxml2-utils
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        SUDO=sudo
    else
        echo "setup: these Debian packages are missing: ${missing[*]}" >&2
        echo "setup: installing them needs root; run this script as root (or install sudo)." >&2
        exit 1
    fi
else
    SUDO=
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
