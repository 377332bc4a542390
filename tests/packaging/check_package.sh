#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree, unpacks it into a
# throw-away root and checks what a desktop needs from it.
#   check_package.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not build the package"
  exit 1
fi
deb="$work/out/rekuda31_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls "$work/out"; echo "FAIL: no $(basename "$deb")"; exit 1; }
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

root="$work/root"
dpkg-deb -x "$deb" "$root"

program="$root/usr/bin/rekuda31"
[ -x "$program" ] || fail "usr/bin/rekuda31 missing or not executable"
file -b "$program" | grep -q '^ELF' || fail "usr/bin/rekuda31 is not an ELF program"
missing=$(ldd "$program" 2>&1 | grep 'not found' || true)
[ -z "$missing" ] || fail "libraries not found: $missing"

icons="$root/usr/share/icons/hicolor"
for size in 16 32 48 64 128; do
  png="$icons/${size}x${size}/apps/rekuda31.png"
  file -b "$png" 2>/dev/null | grep -q "^PNG image data, $size x $size," || fail "no ${size}x${size} PNG icon"
done
grep -q '<svg' "$icons/scalable/apps/rekuda31.svg" 2>/dev/null || fail "no scalable icon"

launcher="$root/usr/share/applications/rekuda31.desktop"
autostart="$root/etc/xdg/autostart/rekuda31.desktop"
for entry in "$launcher" "$autostart"; do
  name=${entry#"$root"}
  if [ ! -f "$entry" ]; then
    fail "$name missing"
    continue
  fi
  desktop-file-validate "$entry" || fail "$name does not validate"
  for key in 'Name' 'Name\[ja\]' 'Comment' 'Comment\[ja\]'; do
    grep -Eq "^$key=.+" "$entry" || fail "$name has no ${key//\\/}"
  done
  grep -qx 'Name=rekuda31' "$entry" || fail "$name: Name is not rekuda31"
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$root/usr/bin/$exec_name" ] || fail "$name: Exec=$exec_name is not a packaged program"
  icon_name=$(sed -n 's/^Icon=//p' "$entry")
  [ -f "$icons/32x32/apps/$icon_name.png" ] || fail "$name: Icon=$icon_name is not in the hicolor theme"
  if grep -Eq '^(Hidden|NoDisplay)=true' "$entry"; then
    fail "$name is hidden"
  fi
done

control="$work/control"
dpkg-deb -e "$deb" "$control"
grep -q '^Depends:.*libqt6widgets6' "$control/control" || fail "Depends lacks the Qt runtime"
# The sound libraries are opened at the first sound, not linked, yet depended on.
for lib in libsndfile1 libpulse0; do
  grep -Eq "^Depends:.*\b$lib \(" "$control/control" || fail "Depends lacks $lib"
done
ldd "$program" | grep -Eq 'libsndfile|libpulse' && fail "usr/bin/rekuda31 loads the sound libraries at start"
grep -q '^Recommends:.*sound-theme-freedesktop' "$control/control" || fail "Recommends lacks sound-theme-freedesktop"
grep -qx '/etc/xdg/autostart/rekuda31.desktop' "$control/conffiles" 2>/dev/null \
  || fail "the autostart entry is not a conffile"

# Installed system-wide the program's folder is not the user's to write in:
# the packaged program must settle in the user's data folder, creating it on
# the first start and reading its memos from there on the next (an unreadable
# data file is moved aside, which shows where it was looked for).
chmod 0555 "$root/usr/bin"
home="$work/home"
data="$home/.local/share/rekuda31"
mkdir -p "$home" "$work/run"
chmod 0700 "$work/run"
start_packaged() {
  local status=0
  env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_RUNTIME_DIR="$work/run" \
    QT_QPA_PLATFORM=offscreen timeout 3 "$program" >"$work/run.log" 2>&1 || status=$?
  if [ "$status" -ne 124 ]; then
    cat "$work/run.log"
    fail "the packaged program ended with status $status instead of staying resident"
  fi
}
start_packaged
[ -d "$data" ] || fail "the packaged program did not make its data folder"
if [ -d "$data" ]; then
  printf 'not a memo file\r\n' >"$data/rekuda31.dat"
  start_packaged
  [ -f "$data/rekuda31.dat.bad" ] || fail "the packaged program did not read rekuda31.dat from its data folder"
fi
for beside in "$root"/usr/bin/rekuda31.*; do
  [ -e "$beside" ] && fail "the packaged program wrote $(basename "$beside") beside itself"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all package checks passed"
