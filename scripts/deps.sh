#!/usr/bin/env bash
# Installs whatever the build, the program and the tests need and is missing.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libsndfile1-dev libpulse-dev
  fonts-ipafont-gothic
  xvfb xauth x11-utils trayer xdotool libfaketime openbox fontconfig
  pulseaudio pulseaudio-utils sox imagemagick sound-theme-freedesktop
  dbus at-spi2-core python3 python3-pyatspi desktop-file-utils dpkg-dev file
  clang libclang-rt-14-dev libx11-dev
  librapidcheck-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=()
[ "$(id -u)" -ne 0 ] && SUDO=(sudo)
echo "Installing: ${missing[*]}"
"${SUDO[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
