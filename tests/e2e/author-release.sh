#!/usr/bin/env bash
# An author's release, made as a packager makes it (scripts/dev bundle --from) from a folder with
# Name=Étoile du soir, Version=2.1.0 and two screen savers: its manifests validate, the zip is the one they
# hash, and their ProductCode, DisplayName, DisplayVersion and Publisher are what the installer records when
# the zip is installed in a fresh prefix (read back from the 32-bit view). The sample bundle's manifests pass
# the same check. Folders the installer would refuse write nothing and say why in one line.
# Usage: author-release.sh SOURCE_ROOT BIN_DIR VERSION
set -u
root=$(readlink -f "$1") bin=$(readlink -f "$2") version=$3
export LC_ALL=en_US.UTF-8  # Wine reads the names on its command lines in the locale's encoding
. "$(dirname "$0")/sealed-prefix.sh"
new_prefix win64 author-release
# The release is made from this build's installer, in its out/ folder, as a packager makes it.
export GLOW_OUT=$(dirname "$bin")
dev() { "$root/scripts/dev" "$@" </dev/null; }

# refused LABEL WHY: the folder $work/refused, with Glowset.ini as $work/ini holds it, is turned down before
# anything is built or written, in one line that says WHY.
refused() {
  local label=$1 why=$2 said status
  touch "$work/before"
  said=$(dev bundle --from "$work/refused" 2>&1 >/dev/null)
  status=$?
  check "refused, $label: one line ($said)" test $status != 0 -a "$(wc -l <<<"$said")" = 1
  check "refused, $label: says \"$why\"" contains "$said" "$why"
  # Other tests work inside build/ meanwhile; a build would have written its log beside it.
  check "refused, $label: nothing written" test -z "$(find "$GLOW_OUT" -maxdepth 1 -newer "$work/before" ! -name build)"
}
mkdir -p "$work/refused"
cp "$bin/TAVO.scr" "$work/refused/Glow.scr"
printf '[Inst]\r\nName=Con.Glow\r\nVersion=2.1.0\r\n' >"$work/refused/Glowset.ini"
refused "a device name" '"Con.Glow" is a reserved device name'
printf '[Inst]\r\nName=Glow\r\nVersion=v2\r\n' >"$work/refused/Glowset.ini"
refused "a version winget cannot order" '"v2" does not start with a digit'
printf '[Inst]\r\nName=\xc9toile\r\nVersion=2.1.0\r\n' >"$work/refused/Glowset.ini"  # the Western code page's
refused "settings in an ANSI code page" "neither UTF-8 nor UTF-16 with a byte-order mark"
printf '[Inst]\r\nName=Glow\r\n' | iconv -f UTF-8 -t UTF-16LE >"$work/refused/Glowset.ini"
refused "UTF-16 settings without their mark" "UTF-16 without its byte-order mark"
rm "$work/refused/Glow.scr"
printf '[Inst]\r\nName=Glow\r\nVersion=2.1.0\r\n' >"$work/refused/Glowset.ini"
refused "no screen saver" "no .scr file"

# The author's folder: settings saved as UTF-8, two screen savers of their own names.
author=$work/Étoile
mkdir -p "$author"
printf '[Inst]\r\nName=Étoile du soir\r\nVersion=2.1.0\r\n' >"$author/Glowset.ini"
cp "$bin/TAVO.scr" "$author/Étoile.scr"
cp "$bin/TAVO.scr" "$author/Nuit.scr"
release=$GLOW_OUT/"Étoile du soir-2.1.0"
said=$(dev bundle --from "$author" 2>&1)
check "the author's release is made" test -f "$release.zip" -a -f "$release/Glowset.exe"
[ -f "$release.zip" ] || echo "$said" | tail -20 | sed 's/^/  /'
check "the placeholders are said aloud" contains "$said" "placeholder"
check "the zip holds the installer, the settings and both screen savers, in order" \
  test "$(python3 -c 'import sys, zipfile; print(*zipfile.ZipFile(sys.argv[1]).namelist())' "$release.zip")" = \
       "Glowset.exe Glowset.ini Nuit.scr Étoile.scr"
first=$(sha256sum <"$release.zip")
dev bundle --from "$author" >/dev/null 2>&1
check "made again, the zip is the same bytes" test "$(sha256sum <"$release.zip")" = "$first"

# install ZIP NAME: the zip unpacked into a folder of the prefix and its installer run; the entry NAME's
# key, as the 32-bit view holds it, exported to $work/NAME.reg.
install() {
  local zip=$1 name=$2 folder=$drive_c/$3
  python3 -m zipfile -e "$zip" "$folder"
  check "$name: installed from the zip" w "C:\\$3\\Glowset.exe"
  w reg export "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name" 'C:\entry.reg' /reg:32 /y >/dev/null
  mv "$drive_c/entry.reg" "$work/$name.reg" 2>/dev/null
  check "$name: the entry is there" test -f "$work/$name.reg"
}
manifests() {  # manifests LABEL MANIFEST_FOLDER ZIP [options]: the manifest check, its lines indented
  local label=$1 out; shift
  out=$(python3 "$root/tests/winget-manifest.py" "$root" "$@")
  check "$label" test $? = 0
  echo "$out" | sed 's/^/  /'
}
install "$release.zip" "Étoile du soir" "Etoile"
manifests "the author's manifests validate and name the entry the installer wrote, the zip's hash" \
  "$release.winget" "$release.zip" --entry "$work/Étoile du soir.reg"
install "$GLOW_OUT/Glow-$version.zip" "TAVO ScreenSaver" "Glow"
manifests "the sample's manifests likewise, at the build's version" \
  "$GLOW_OUT/Glow-$version.winget" "$GLOW_OUT/Glow-$version.zip" --version "$version" --entry "$work/TAVO ScreenSaver.reg"
exit $((failures > 0))
