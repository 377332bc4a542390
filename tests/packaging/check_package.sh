#!/usr/bin/env bash
# check_package.sh BUILD_DIR VERSION: builds the Debian package, unpacks it into a throw-away root and checks what a
# desktop needs of it. Catches: a program missing or its libraries unresolved; icons, menu or autostart entries missing,
# invalid, hidden or naming no packaged program or icon; no dependency on Qt or on the sound libraries (opened at the
# first sound, not linked); an installed program that ends at once or keeps its memos outside the user's data folder.
set -euo pipefail
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT && cd "$work"
fail() { echo "FAIL: $*"; exit 1; }
cpack --config "$1/CPackConfig.cmake" -G DEB -B out >log 2>&1 || { cat log; exit 1; }
dpkg-deb -R "out/rekuda31_$2_$(dpkg --print-architecture).deb" root && cd root || { ls out; exit 1; }
[ -x usr/bin/rekuda31 ] && file -b usr/bin/rekuda31 | grep -q '^ELF' || fail "usr/bin/rekuda31 is no program"
! ldd usr/bin/rekuda31 | grep -E 'not found|libsndfile|libpulse' || fail "libraries missing, or sound ones linked"
for want in Depends:libqt6widgets6 'Depends:libsndfile1 (' 'Depends:libpulse0 (' Recommends:sound-theme-freedesktop; do
  grep -q "^${want%%:*}:.*${want#*:}" DEBIAN/control || fail "no $want"; done
grep -qx /etc/xdg/autostart/rekuda31.desktop DEBIAN/conffiles || fail "the autostart entry is not a conffile"
for s in 16 32 48 64 128; do
  file usr/share/icons/hicolor/${s}x$s/apps/rekuda31.png | grep -q ": PNG image data, $s x $s," || fail "no ${s}px icon"
done
grep -q '<svg' usr/share/icons/hicolor/scalable/apps/rekuda31.svg || fail "no scalable icon"
for e in usr/share/applications/rekuda31.desktop etc/xdg/autostart/rekuda31.desktop; do
  desktop-file-validate "$e" && ! grep -Eq '^(Hidden|NoDisplay)=true' "$e" || fail "$e missing, invalid or hidden"
  [ "$(grep -cxE '(Name|Exec|Icon)=rekuda31|(Name|Comment)\[ja\]=.+' "$e")" = 5 ] || fail "$e: names or program wrong"
done
# Installed system-wide, it settles in the user's data folder, made on the first start and read on the next.
chmod 0555 usr/bin && mkdir -m 0700 ../home ../run && data="$work/home/.local/share/rekuda31"
start() {
  env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen HOME="$work/home" \
    XDG_RUNTIME_DIR="$work/run" timeout 3 usr/bin/rekuda31 >../run.log 2>&1 && status=0 || status=$?
  [ "$status" -eq 124 ] || { cat ../run.log; fail "the packaged program ended with status $status"; }
}
start && printf 'not a memo file\r\n' >"$data/rekuda31.dat" && start || fail "no data folder made"
[ -f "$data/rekuda31.dat.bad" ] || fail "the packaged program did not move aside the unreadable rekuda31.dat there"
