#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the package checks, the benchmarks and the
# program need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  cmake g++ make pkgconf ninja-build ccache lld
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6charts6 libqt6svg6
  qt6-image-formats-plugins qt6-qpa-plugins libqt6sql6 libqt6sql6-sqlite
  libgl-dev libjpeg62-turbo-dev libx11-dev libudev-dev
  xvfb xauth x11-utils xdotool openbox
  fonts-dejavu-core fonts-wine
  python3 python3-serial
  libqt6opengl6-dev
  dpkg-dev file lintian appstream desktop-file-utils
  clang libclang-rt-dev
)

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  sudo_if_needed apt-get update -qq
  sudo_if_needed apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
