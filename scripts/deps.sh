#!/usr/bin/env bash
# Installs whatever the build, the program, the tests and the benchmarks use
# and is missing.
set -euo pipefail

PACKAGES=(
  # build: the program, its tests and the Debian package
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
  libsndfile1-dev libpulse-dev librapidcheck-dev
  # the program at run time: the alert sound and a font with Japanese glyphs
  sound-theme-freedesktop fonts-ipafont-gothic
  # the tests and the benchmarks: a private desktop (scripts/run.sh starts one where
  # there is no display), the fake clock, a sound server and recorder, tones, screen pixels
  python3 xvfb x11-utils trayer xdotool libfaketime
  # rekuda31 --check on the test display: a window manager that keeps windows above, font lists
  openbox fontconfig
  pulseaudio pulseaudio-utils sox imagemagick
  # the benchmarks alone: the session bus, the X watcher
  dbus libx11-dev
  # the package test
  dpkg-dev desktop-file-utils file
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
