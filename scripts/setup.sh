#!/usr/bin/env bash
# Installs the Debian packages Kinotra needs to build, run and be packaged (cpack -G DEB), only those that
# are missing. Works as root or through sudo.
# Usage: scripts/setup.sh [--tests]   (--tests adds what the test suite and the package checks need)
set -euo pipefail

packages=(cmake g++ pkg-config ninja-build ccache
    qt6-base-dev qt6-svg-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav libges-1.0-dev libturbojpeg0-dev
    libxlsxwriter-dev libzip-dev libv4l-dev fonts-liberation2 fonts-dejavu-core
    dpkg-dev file)
if [[ "${1:-}" == "--tests" ]]; then
    packages+=(libgtest-dev ffmpeg xvfb xauth python3 desktop-file-utils appstream man-db)
fi

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "setup: run as root or install sudo" >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
