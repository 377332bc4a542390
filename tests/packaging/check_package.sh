#!/usr/bin/env bash
# Builds the Debian package from a built tree, unpacks it into a throw-away root and checks what a desktop needs of it.
# Catches: a program missing or its libraries unresolved; icons, menu or autostart entries missing, invalid, hidden or
# naming no packaged program or icon; no dependency on Qt or on the sound libraries (opened at the first sound, not
# linked); an installed program that ends at once, or keeps its memos anywhere but in the user's data folder.
#   check_package.sh BUILD_DIR VERSION
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack --config "$1/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/log" 2>&1 || { cat "$work/log"; exit 1; }
deb="$work/out/rekuda31_$2_$(dpkg --print-architecture).deb"
root="$work/root" control="$work/control/control"
dpkg-deb -x "$deb" "$root" && dpkg-deb -e "$deb" "$work/control" || { ls "$work/out"; exit 1; }
program="$root/usr/bin/rekuda31"
[ -x "$program" ] && file -b "$program" | grep -q '^ELF' || fail "usr/bin/rekuda31 is not an executable program"
! ldd "$program" | grep -E 'not found|libsndfile|libpulse' || fail "libraries missing, or sound ones linked"
for dep in libqt6widgets6 'libsndfile1 (' 'libpulse0 ('; do grep -q "^Depends:.*$dep" "$control" || fail "no $dep"; done
grep -q '^Recommends:.*sound-theme-freedesktop' "$control" || fail "Recommends lacks sound-theme-freedesktop"
grep -qx /etc/xdg/autostart/rekuda31.desktop "$work/control/conffiles" || fail "the autostart entry is not a conffile"

icons="$root/usr/share/icons/hicolor"
for s in 16 32 48 64 128; do
  file -b "$icons/${s}x$s/apps/rekuda31.png" | grep -q "^PNG image data, $s x $s," || fail "no ${s}x$s icon"
done
grep -q '<svg' "$icons/scalable/apps/rekuda31.svg" || fail "no scalable icon"
for entry in usr/share/applications/rekuda31.desktop etc/xdg/autostart/rekuda31.desktop; do
  desktop-file-validate "$root/$entry" || { fail "$entry missing or invalid"; continue; }
  grep -qx Name=rekuda31 "$root/$entry" && grep -q '^Name\[ja\]=.' "$root/$entry" && grep -q '^Comment\[ja\]=.' \
    "$root/$entry" || fail "$entry lacks its name or a Japanese name and comment"
  [ -x "$root/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/$entry")" ] || fail "$entry: Exec is not packaged"
  [ -f "$icons/32x32/apps/$(sed -n 's/^Icon=//p' "$root/$entry").png" ] || fail "$entry: Icon is not in the theme"
  ! grep -Eq '^(Hidden|NoDisplay)=true' "$root/$entry" || fail "$entry is hidden"
done

# Installed system-wide, the program's folder is not the user's: it settles in the user's data folder, made on the
# first start and read on the next (an unreadable data file there is moved aside).
chmod 0555 "$root/usr/bin"
data="$work/home/.local/share/rekuda31"
mkdir -m 0700 "$work/home" "$work/run"
start() {
  local status=0
  env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
    QT_QPA_PLATFORM=offscreen timeout 3 "$program" >"$work/run.log" 2>&1 || status=$?
  [ "$status" -eq 124 ] || { cat "$work/run.log"; fail "the packaged program ended with status $status"; }
}
start
printf 'not a memo file\r\n' >"$data/rekuda31.dat" && start || fail "no data folder made"
[ -f "$data/rekuda31.dat.bad" ] || fail "the packaged program did not read rekuda31.dat from its data folder"
! compgen -G "$root/usr/bin/rekuda31.*" || fail "the packaged program wrote beside itself"
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
