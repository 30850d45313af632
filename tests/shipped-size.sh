#!/usr/bin/env bash
# The installer a packager ships fits 96 KB (unsigned) with everything it must carry: the launcher item,
# which carries the uninstaller item, its manifest, its version block and the icon group with its ten
# images. The items are the programs themselves: a standard resource reader (wrestool) takes the launcher
# out of the installer and the uninstaller out of that, each equal byte for byte to the program built
# beside the installer.
# Usage: shipped-size.sh SOURCE_ROOT GLOWSET.EXE
set -euo pipefail
root=$1 installer=$2
resources=$root/scripts/pe-resources
bin=$(dirname "$installer")
limit=98304
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
fail() { echo "FAIL $*"; status=1; }

command -v wrestool >/dev/null || { echo "FAIL no wrestool (Debian's icoutils): run scripts/dev deps"; exit 1; }
wrestool -x --raw --type=10 --name=UNINSTALL.EXE "$installer" >"$work/Glowrun.exe"
wrestool -x --raw --type=10 --name=UNINSTALL.EXE "$work/Glowrun.exe" >"$work/Glowclear.exe"
for layer in Glowrun.exe Glowclear.exe; do
  if cmp -s "$work/$layer" "$bin/$layer"; then
    echo "taken out by wrestool, byte for byte the program: $layer ($(stat -c %s "$work/$layer") bytes)"
  else
    fail "$layer as wrestool takes it out ($(stat -c %s "$work/$layer") bytes) is not $bin/$layer"
  fi
done
size=$(stat -c %s "$installer")
echo "Glowset.exe: $((limit - size)) bytes left of the $limit"
[ "$size" -le $limit ] || fail "Glowset.exe is $size bytes, more than $limit"

# Each section fills whole blocks of the file alignment: what its last block has left is what the
# section can grow before the program grows by a block.
room() {  # room NAME FILE
  python3 - "$1" "$2" <<'PY'
import struct, sys
name, data = sys.argv[1], open(sys.argv[2], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
count, optional = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
align = struct.unpack_from("<I", data, pe + 24 + 36)[0]
rooms = []
for i in range(count):
    section, virtual, _, raw = struct.unpack_from("<8sIII", data, pe + 24 + optional + 40 * i)
    if raw:
        rooms.append("%s %d" % (section.rstrip(b"\0").decode(), -virtual % align))
print("%s %d bytes; room left in the last %d-byte block: %s" % (name, len(data), align, ", ".join(rooms)))
PY
}
room Glowset.exe "$installer"
room "Glowrun.exe (carried)" "$work/Glowrun.exe"
room "Glowclear.exe (carried)" "$work/Glowclear.exe"

items=$("$resources" list "$installer")
grep -q '^24 1 ' <<<"$items" || fail "Glowset.exe carries no manifest"
grep -q '^16 1 ' <<<"$items" || fail "Glowset.exe carries no version block"
images=$(grep -c '^3 ' <<<"$items" || true)
group=$("$resources" get "$installer" 14 128 | od -An -tu2 -j4 -N2 | tr -d ' ')
[ "$group" = 10 ] && [ "$images" = 10 ] ||
  fail "Glowset.exe's icon group lists ${group:-no} images and it carries $images; both must be 10"
exit $status
