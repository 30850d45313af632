#!/usr/bin/env bash
# The installer a packager ships fits 64 KB with everything it must carry: the launcher item, which
# carries the uninstaller item, its manifest, its version block and the icon group with its ten images.
# Usage: shipped-size.sh SOURCE_ROOT GLOWSET.EXE
set -euo pipefail
root=$1 installer=$2
resources=$root/scripts/pe-resources
limit=65536
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
fail() { echo "FAIL $*"; status=1; }

"$resources" get "$installer" 10 UNINSTALL.EXE >"$work/Glowrun.exe"
"$resources" get "$work/Glowrun.exe" 10 UNINSTALL.EXE >"$work/Glowclear.exe"
size=$(stat -c %s "$installer")
echo "Glowset.exe $size bytes (limit $limit), carrying Glowrun.exe $(stat -c %s "$work/Glowrun.exe")," \
     "carrying Glowclear.exe $(stat -c %s "$work/Glowclear.exe")"
[ "$size" -le $limit ] || fail "Glowset.exe is $size bytes, more than $limit"

items=$("$resources" list "$installer")
grep -q '^24 1 ' <<<"$items" || fail "Glowset.exe carries no manifest"
grep -q '^16 1 ' <<<"$items" || fail "Glowset.exe carries no version block"
images=$(grep -c '^3 ' <<<"$items" || true)
group=$("$resources" get "$installer" 14 128 | od -An -tu2 -j4 -N2 | tr -d ' ')
[ "$group" = 10 ] && [ "$images" = 10 ] ||
  fail "Glowset.exe's icon group lists ${group:-no} images and it carries $images; both must be 10"
exit $status
