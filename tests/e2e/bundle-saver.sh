#!/usr/bin/env bash
# The release bundle installs under Wine, and the screen saver it placed runs full screen, ends on input
# and lives in a preview window.
# Usage: bundle-saver.sh <dist folder> <screen-saver test script> <preview host>
set -u
dist=$(readlink -f "$1") test_script=$2 host=$3
. "$(dirname "$0")/sealed-prefix.sh"
new_prefix win64 bundle
cp "$dist"/* "$drive_c/glow-test/"
timeout 120 wine 'C:\glow-test\Glowset.exe' </dev/null >"$work/install.log" 2>&1
rc=$?
[ "$rc" = 0 ] || { echo "FAIL: the bundle's installer exited with $rc"; exit 1; }
placed="$drive_c/windows/system32/TAVO ScreenSaver.scr"
[ -f "$placed" ] || { echo "FAIL: nothing placed at $placed"; exit 1; }
cmp -s "$placed" "$dist/TAVO.scr" || { echo "FAIL: the placed screen saver differs from the bundle's"; exit 1; }
# Wine's desktop process was started without a display; the screen saver needs one made for it.
timeout 30 wineserver -k </dev/null >/dev/null 2>&1
timeout 30 wineserver -w </dev/null >/dev/null 2>&1
echo "installed the bundle; running the placed screen saver"
bash "$test_script" "$placed" "$host"
