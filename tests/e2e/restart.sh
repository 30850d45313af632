#!/usr/bin/env bash
# A screen saver in use when it is removed goes at the next restart: the uninstaller exits with 3010
# (done, restart needed), the file waits under a name of its own that PendingFileRenameOperations names,
# and once the prefix has restarted it is gone, while a reinstall made before the restart stays. A newer
# version installed while the screen saver runs replaces it at once and exits with 3010.
# Usage: restart.sh BIN_DIR TOOLS_DIR win64|win32
set -u
bin=$(readlink -f "$1") tools=$(readlink -f "$2") arch=$3
. "$(dirname "$0")/sealed-prefix.sh"
new_prefix "$arch" "restart-$arch"
cp "$bin/Glowset.exe" "$bin/TAVO.scr" "$tools/run-tree.exe" "$tools/hold-file.exe" "$drive_c/glow-test/"
name="TAVO ScreenSaver"
placed=$drive_c/windows/system32/$name.scr
manager='HKLM\System\CurrentControlSet\Control\Session Manager'

check "installed" test "$(run_tree '"C:\glow-test\Glowset.exe"' | head -n 1)" = "exit 0"
native='C:\windows\system32'
[ "$arch" = win64 ] && native='C:\windows\Sysnative'  # the holder is a 32-bit program too
w 'C:\glow-test\hold-file.exe' "$native\\$name.scr" 'C:\glow-test\held' 'C:\glow-test\release' &
holder=$!
holding() { [ -e "$drive_c/glow-test/held" ] || ! kill -0 "$holder" 2>/dev/null; }  # or it ended
wait_until 120 holding
out=$(run_tree "\"C:\\windows\\$name Uninstaller.exe\" /d")
touch "$drive_c/glow-test/release"
wait "$holder"
echo "$out" | grep -e 'in use' -e 'exit' | sed 's/^/  /'
check "the uninstaller exits with 3010" contains "$out" "exit 3010 (started)"
waiting=$(ls "$placed".*.deleted 2>/dev/null | head -n 1)
check "the held screen saver waits for the restart under a name of its own" test -n "$waiting"
check "that name is in PendingFileRenameOperations" \
  contains "$(w reg query "$manager" /v PendingFileRenameOperations | tr -d '\r')" "\\??\\C:\\windows\\system32\\$(basename "$waiting")"
registered() { w reg query "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name" /reg:32 >/dev/null; }
check "the uninstall entry is gone" not registered
check "a reinstall before the restart goes through" test "$(run_tree '"C:\glow-test\Glowset.exe"' | head -n 1)" = "exit 0"
# A newer version installed while the placed one runs: 3010, the new one in place at once, the old one
# gone at the restart.
printf 'newer' >>"$drive_c/glow-test/TAVO.scr"
rm -f "$drive_c/glow-test/held" "$drive_c/glow-test/release"
w 'C:\glow-test\hold-file.exe' "$native\\$name.scr" 'C:\glow-test\held' 'C:\glow-test\release' &
holder=$!
wait_until 120 holding
out=$(run_tree '"C:\glow-test\Glowset.exe" /d')
touch "$drive_c/glow-test/release"
wait "$holder"
check "a reinstall while the screen saver runs exits with 3010" test "$(head -n 1 <<<"$out")" = "exit 3010"
check "the newer one is in place at once" cmp -s "$placed" "$drive_c/glow-test/TAVO.scr"
replaced=$(ls "$placed".*.deleted 2>/dev/null | grep -v -x -F "$waiting" | head -n 1)
check "the old one waits for the restart under a name of its own" test -n "$replaced"
timeout 30 wineserver -k </dev/null >/dev/null 2>&1
w cmd /c exit >/dev/null  # a new session: the prefix has restarted
check "after the restart the held screen saver is gone" test ! -e "$waiting"
check "and the reinstalled one is there, recorded" test -e "$placed"
check "the one replaced while it ran is gone too" test ! -e "$replaced"
check "the newer one stays" cmp -s "$placed" "$drive_c/glow-test/TAVO.scr"
check "its record stays" registered

# A screen saver that can be neither deleted (held) nor scheduled (a PendingFileRenameOperations the
# system cannot add to): the removal gives 104 and keeps the entry and the launcher its command starts;
# once the file is free, the registered command run again removes everything.
command=$(w reg query "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name" /v UninstallString /reg:32 |
          tr -d '\r' | sed -n 's/.*REG_SZ *//p')
rm -f "$drive_c/glow-test/held" "$drive_c/glow-test/release"
w 'C:\glow-test\hold-file.exe' "$native\\$name.scr" 'C:\glow-test\held' 'C:\glow-test\release' &
holder=$!
wait_until 120 holding
w reg add "$manager" /v PendingFileRenameOperations /t REG_SZ /d 'not a list' /f >/dev/null
out=$(run_tree "$command")
touch "$drive_c/glow-test/release"
wait "$holder"
check "a screen saver neither deleted nor scheduled: the removal gives 104" test "$(head -n 1 <<<"$out")" = "exit 104"
check "the entry stays" registered
check "and so does the launcher its command starts" test -e "$drive_c/windows/$name Uninstaller.exe"
check "the screen saver stays too" test -e "$placed"
w reg delete "$manager" /v PendingFileRenameOperations /f >/dev/null
check "the registered command again, once the file is free: 0" test "$(run_tree "$command" | head -n 1)" = "exit 0"
check "the entry is gone" not registered
check "the launcher is gone" test ! -e "$drive_c/windows/$name Uninstaller.exe"
check "the screen saver is gone" test ! -e "$placed"
check "nothing moved aside is left" test -z "$(ls "$drive_c/windows/" "$drive_c/windows/system32/" | grep -i '\.deleted$')"
exit $((failures > 0))
