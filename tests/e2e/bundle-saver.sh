#!/usr/bin/env bash
# The release bundle installs under Wine, and the screen saver it placed runs full screen and ends on input.
# Usage: bundle-saver.sh <dist folder> <screen-saver test script>
set -u
dist=$(readlink -f "$1") test_script=$2
. "$(dirname "$0")/../../scripts/wine-env"
glow_wine_env || { echo "FAIL: Wine cannot start on this host (see above)"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/glow-bundle.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() { timeout 30 wineserver -k </dev/null >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT
timeout 300 wineboot -i </dev/null >"$work/boot.log" 2>&1 || { echo "FAIL: wineboot"; exit 1; }
timeout 120 wine "$dist/Glowset.exe" </dev/null >"$work/install.log" 2>&1
rc=$?
[ "$rc" = 0 ] || { echo "FAIL: the bundle's installer exited with $rc"; exit 1; }
placed="$WINEPREFIX/drive_c/windows/system32/TAVO ScreenSaver.scr"
[ -f "$placed" ] || { echo "FAIL: nothing placed at $placed"; exit 1; }
cmp -s "$placed" "$dist/TAVO.scr" || { echo "FAIL: the placed screen saver differs from the bundle's"; exit 1; }
# Wine's desktop process was started without a display; the screen saver needs one made for it.
timeout 30 wineserver -k </dev/null >/dev/null 2>&1
timeout 30 wineserver -w </dev/null >/dev/null 2>&1
echo "installed the bundle; running the placed screen saver"
bash "$test_script" "$placed"
