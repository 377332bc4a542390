#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program. Without a display
# server it starts a virtual X display with a notification-area host.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  n=50
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  echo "No display server found: starting a virtual X display :$n with a tray (Xvfb + trayer)."
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -dpi 96 >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb $tray 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  trayer --edge bottom --align right --SetDockType true >/dev/null 2>&1 &
  tray=$!
  sleep 0.5
fi
exec build/rekuda31 "$@"
