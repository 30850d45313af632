#!/usr/bin/env bash
# The elevated chain against a program without administrator rights: what it can write (the user's
# folders, the installer's own folder, HKCU) it plants, and a sentinel must survive or a marker must never
# appear. Each run has a fresh prefix that cannot reach outside itself.
# Usage: attacks.sh BIN_DIR TOOLS_DIR win64|win32 [race|rename]
#   BIN_DIR holds Glowset.exe and TAVO.scr; TOOLS_DIR run-tree.exe, planted.dll and foreign.exe.
set -u
bin=$(readlink -f "$1") tools=$(readlink -f "$2") arch=$3 mode=${4:-plant}
. "$(dirname "$0")/sealed-prefix.sh"
new_prefix "$arch" "attacks-$arch-$mode"
cp "$bin/Glowset.exe" "$bin/TAVO.scr" "$tools/run-tree.exe" "$tools/hold-file.exe" "$drive_c/glow-test/"
name="TAVO ScreenSaver"
key="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$name"
launcher="C:\\windows\\$name Uninstaller.exe"
placed=$drive_c/windows/system32/$name.scr
marker=$drive_c/glow-marker.txt

install() { run_tree '"C:\glow-test\Glowset.exe"' | head -n 1; }
remove() { run_tree "\"$launcher\" /d"; }
registered() { w reg query "${1:-$key}" /reg:32 >/dev/null 2>&1; }
either() { contains "$1" "$2" || contains "$1" "$3"; }
no_marker() { [ ! -e "$marker" ] || { echo "  marker: $(tr -d '\r' <"$marker" | tr '\n' ' ')"; false; }; }

profile=$(dirname "$(dirname "$local_appdata")")      # the user's profile folder
user_folder="C:\\users\\$(basename "$profile")"
shell_folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
# The attacker adds a line to this file each time its move lands on a launcher run.
landings=$work/landings
: >"$landings"
# rounds TEXT: the launcher's copy run 20 times (at most five minutes of runs); "N of M L": N showed TEXT,
# in L the attacker's move landed.
rounds() {
  local hits=0 n=0 landed=0 before end=$((SECONDS + 300))
  for ((; n < 20 && SECONDS < end; n++)); do
    before=$(wc -l <"$landings")
    contains "$(run_tree "\"C:\\glow-test\\$name Uninstaller.exe\" /d")" "$1" && hits=$((hits + 1))
    [ "$(wc -l <"$landings")" -gt "$before" ] && landed=$((landed + 1))
  done
  echo "$hits of $n $landed"
}

# The rounds while the attacker (process $1) acts, which is then stopped: sets `hits` to "<hits> of <rounds>"
# for pattern $2 and `landed` to the rounds in which its move landed, which must be one at least: else
# the rounds prove nothing.
rounds_against() {
  local counted
  counted=$(rounds "$2")
  hits=${counted% *} landed=${counted##* }
  kill "$1"; wait "$1" 2>/dev/null
  echo "the attacker's move landed in $landed of ${hits##* } rounds"
  check "the attacker's move landed in one round at least" test "$landed" -gt 0
}

if [ "$mode" = race ]; then
  # "Local AppData" leads through j in the user's profile, which flips between A and B; B holds a foreign
  # program named as the scratch copy. Whatever the launcher sees, it must only ever start the copy it wrote.
  mkdir -p "$profile/A" "$profile/B"
  w reg add "$shell_folders" /v 'Local AppData' /t REG_EXPAND_SZ /d "$user_folder\\j" /f >/dev/null
  ln -sfn A "$profile/j"
  # The launcher runs on its own (a copy outside the Windows folder, so that every run finds it).
  install >/dev/null
  cp "$drive_c/windows/$name Uninstaller.exe" "$drive_c/glow-test/"
  python3 - "$profile" "$tools/foreign.exe" "$landings" <<'FLIP' &
import os, shutil, sys, time
drive, foreign, landings = sys.argv[1:]
flip, planted = os.path.join(drive, "j.flip"), os.path.join(drive, "B", "uninst.tmp")
size = os.path.getsize(foreign)
for n in range(10**9):
    for target in ("B", "A"):
        os.symlink(target, flip)
        os.replace(flip, os.path.join(drive, "j"))
        time.sleep(0.0005)  # flips a thousand times a second without taking a whole core
    try:
        # The launcher reached the attacker's folder: its copy took the foreign program's place there.
        landed = os.path.getsize(planted) != size
    except OSError:
        landed = True
    if landed:
        with open(landings, "a") as f:
            f.write("the launcher's copy went to B\n")
        try:  # put the foreign program back whenever it is gone
            shutil.copyfile(foreign, planted)
        except OSError:
            pass
FLIP
  rounds_against $! "CreateNormalProcess succeed"
  echo "the launcher started the uninstaller in $hits runs while the folder flipped"
  check "a flipping scratch folder never starts the foreign program" no_marker
  exit $((failures > 0))
fi

if [ "$mode" = rename ]; then
  # The folder itself renamed away the moment the copy appears, a folder of the user's with a foreign
  # program of the same name renamed into its place: the names stay, the file behind them does not.
  # The launcher runs on its own (a copy outside the Windows folder, so that every run finds it).
  mkdir -p "$profile/j" "$profile/B"
  w reg add "$shell_folders" /v 'Local AppData' /t REG_EXPAND_SZ /d "$user_folder\\j" /f >/dev/null
  cp "$tools/foreign.exe" "$profile/B/uninst.tmp"
  touch "$profile/B/foreign-folder"
  install >/dev/null
  cp "$drive_c/windows/$name Uninstaller.exe" "$drive_c/glow-test/"
  python3 - "$profile" "$landings" <<'RENAME' &
import os, sys, time
profile, landings = sys.argv[1:]
j, old, foreign = (os.path.join(profile, n) for n in ("j", "j.old", "B"))
while True:
    if os.path.exists(os.path.join(j, "uninst.tmp")) and not os.path.exists(os.path.join(j, "foreign-folder")):
        try:
            os.rename(j, old)
            os.rename(foreign, j)
            with open(landings, "a") as f:
                f.write("the folder was swapped under the launcher's copy\n")
            time.sleep(0.3)  # the launcher starts what it finds by the names it knows
            os.rename(j, foreign)
            os.rename(old, j)
        except OSError:
            pass
    time.sleep(0.002)
RENAME
  rounds_against $! "not the written uninstaller"
  echo "the launcher refused what it started in $hits runs while the folder was renamed"
  check "a folder renamed over the copy never starts the foreign program" no_marker
  exit $((failures > 0))
fi

# DLLs named after those the programs (and the system libraries they use) load, beside the installer and
# in the scratch folder the uninstaller runs from.
dlls="shcore version dwmapi uxtheme cryptbase profapi advapi32 shell32 user32 shlwapi gdi32 imm32 userenv propsys
      setupapi ole32 oleaut32 combase rpcrt4 sechost win32u ucrtbase msvcrt comctl32 apphelp windowscodecs"
for dll in $dlls; do cp "$tools/planted.dll" "$drive_c/glow-test/$dll.dll"; cp "$tools/planted.dll" "$local_appdata/$dll.dll"; done
# Manifests beside the programs that claim those DLLs as their own private files: they come before the
# narrowed search, unless a program carries a manifest of its own.
manifest='<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0"><assemblyIdentity type="win32" name="planted" version="1.0.0.0"/>'
for dll in $dlls; do manifest="$manifest<file name=\"$dll.dll\"/>"; done
for planted_manifest in "$local_appdata/uninst.tmp.manifest" "$drive_c/glow-test/Glowset.exe.manifest"; do
  echo "$manifest</assembly>" >"$planted_manifest"
done
check "planted DLLs: the install goes through" test "$(install)" = "exit 0"
check "planted DLLs: the removal goes through" contains "$(remove)" 'RegDeleteKey succeed'
check "planted DLLs: none is loaded" no_marker
for dll in $dlls; do rm -f "$drive_c/glow-test/$dll.dll" "$local_appdata/$dll.dll"; done
rm -f "$local_appdata/uninst.tmp.manifest" "$drive_c/glow-test/Glowset.exe.manifest"

# A link at the scratch path, to a file the user cannot write: the launcher must neither write through it
# nor delete what it leads to. It may remove the link or refuse with its message.
install >/dev/null
cp "$drive_c/windows/win.ini" "$work/win.ini"
rm -f "$local_appdata/uninst.tmp"
ln -s "$drive_c/windows/win.ini" "$local_appdata/uninst.tmp"
out=$(remove)
echo "$out" | grep -e "leads elsewhere" -e "RegDeleteKey succeed" | sed "s/^/  /"
check "a link at the scratch path leaves its target unchanged" cmp -s "$drive_c/windows/win.ini" "$work/win.ini"
check "a link at the scratch path: removed, or refused with the message" \
  either "$out" 'RegDeleteKey succeed' 'CopyResource (UNINSTALL.EXE) failed'
rm -f "$local_appdata/uninst.tmp"
ln -s "$drive_c/windows/system32/glow-planted.dll" "$local_appdata/uninst.tmp"  # leads nowhere yet
remove >/dev/null
check "a dangling link at the scratch path creates nothing where it leads" test ! -e "$drive_c/windows/system32/glow-planted.dll"
rm -f "$local_appdata/uninst.tmp"
remove >/dev/null
check "with the link gone the removal goes through" not registered

# A damaged or foreign record: only the screen savers the installer could have placed are deleted.
install >/dev/null
for f in glow-sentinel.txt windows/glow-sentinel.ini windows/system32/glow-dotted.scr glow-readonly.txt; do
  echo sentinel >"$drive_c/$f"
done
chmod a-w "$drive_c/glow-readonly.txt"
list='C:\glow-sentinel.txt|glow-sentinel.txt|C:\windows\system32\..\glow-sentinel.ini|C:\windows\system32\glow-dotted.scr.'
list="$list|C:\\glow-readonly.txt|C:\\windows\\system32\\$name.scr"
for cwd in windows windows/system32 glow-test; do echo sentinel >"$drive_c/$cwd/glow-sentinel.txt"; done
w reg add "$key" /v CopyScrPath /t REG_SZ /d "$list" /f /reg:32 >/dev/null
remove >/dev/null
survived=yes
for f in glow-sentinel.txt windows/glow-sentinel.ini windows/system32/glow-dotted.scr glow-readonly.txt \
         windows/glow-sentinel.txt windows/system32/glow-sentinel.txt glow-test/glow-sentinel.txt; do
  [ "$(cat "$drive_c/$f" 2>/dev/null)" = sentinel ] || { echo "  lost: C:/$f"; survived=no; }
done
check "sentinels named in the removal list survive" test "$survived" = yes
check "the placed screen saver goes" test ! -e "$placed"

# "Local AppData" set to a folder outside the user's profile (a system folder; another program's data
# folder holding a file named as the scratch copy; a link in the profile that leads out of it): the
# launcher refuses with its message, creates nothing there and replaces nothing.
install >/dev/null
mkdir -p "$drive_c/ProgramData/Other"
echo sentinel >"$drive_c/ProgramData/Other/uninst.tmp"
ln -sfn "$drive_c/ProgramData/Other" "$profile/out"
for elsewhere in 'C:\windows\system32\glow-made' 'C:\ProgramData\Other' "$user_folder\\out"; do
  w reg add "$shell_folders" /v 'Local AppData' /t REG_EXPAND_SZ /d "$elsewhere" /f >/dev/null
  out=$(remove)
  check "\"Local AppData\" at $elsewhere: refused with the message" contains "$out" 'CopyResource (UNINSTALL.EXE) failed'
done
check "no folder was made in the system folder" test ! -e "$drive_c/windows/system32/glow-made"
check "another program's file named as the scratch copy stays" test "$(cat "$drive_c/ProgramData/Other/uninst.tmp")" = sentinel
check "the product stays installed for a later removal" registered
w reg add "$shell_folders" /v 'Local AppData' /t REG_EXPAND_SZ /d '%USERPROFILE%\AppData\Local' /f >/dev/null
rm -f "$profile/out"
remove >/dev/null
check "with the setting back, the removal goes through" not registered

# A screen saver beside the installer that is a link to someone else's file, or a second name of it: the
# installer would copy its contents into the system folder, where every user can read them.
echo "another user's secret" >"$drive_c/glow-secret.scr"
for how in -s ""; do
  rm -f "$drive_c/glow-test/TAVO.scr"
  ln $how "$drive_c/glow-secret.scr" "$drive_c/glow-test/TAVO.scr"
  check "a ${how:+symbolic }linked screen saver is refused" test "$(install)" = "exit 5"
  check "the linked file's contents reach no system folder" \
    not grep -rlq "another user's secret" "$drive_c/windows/system32" "$drive_c/windows/syswow64"
done
rm -f "$drive_c/glow-test/TAVO.scr"
cp "$bin/TAVO.scr" "$drive_c/glow-test/"

# Another program's uninstall entry of the same name stays as it is, through the install and a removal.
install >/dev/null
other="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other Tool"
for value in "DisplayName=Other Tool" "Publisher=Other Vendor" 'UninstallString="C:\other\remove.exe"'; do
  w reg add "$other" /v "${value%%=*}" /d "${value#*=}" /f /reg:32 >/dev/null
done
before=$(w reg query "$other" /reg:32 | tr -d '\r')
printf '[Inst]\r\nName=Other Tool\r\n' >"$drive_c/glow-test/Glowset.ini"
check "an install over another program's entry is refused" test "$(install)" = "exit 11"
cp "$drive_c/windows/$name Uninstaller.exe" "$drive_c/glow-test/Other Tool Uninstaller.exe"
run_tree '"C:\glow-test\Other Tool Uninstaller.exe"' >/dev/null
check "another program's entry keeps every value" test "$(w reg query "$other" /reg:32 | tr -d '\r')" = "$before"
check "nothing was placed under its name" test ! -e "$drive_c/windows/system32/Other Tool.scr"
rm -f "$drive_c/glow-test/Glowset.ini"

# /log= where the user can write: a folder there linked to the system folder, a log that is itself a link
# to a file the user cannot write, a pipe the user made first. The elevated runs create and append
# nothing where the links lead, write nothing into the pipe, and go on.
rm -f "$drive_c/glow-test/Glowset.ini"
temp="$user_folder\\AppData\\Local\\Temp"
mkdir -p "$local_appdata/Temp"
ln -sfn "$drive_c/windows/system32" "$local_appdata/Temp/linked"
cp "$drive_c/windows/win.ini" "$work/win.ini"
ln -sf "$drive_c/windows/win.ini" "$local_appdata/Temp/glow.log"
logged() { run_tree "\"C:\\glow-test\\Glowset.exe\" /log=$1" | head -n 1; }
check "log in a linked folder: the install goes on" test "$(logged "$temp\\linked\\glow-atk.log")" = "exit 0"
check "log in a linked folder: the removal goes on" \
  contains "$(run_tree "\"$launcher\" \"/log=$temp\\linked\\glow-rm.log\"")" "exit 0"
for f in glow-atk.log glow-rm.log; do
  check "no $f where the linked folder leads" test ! -e "$drive_c/windows/system32/$f" -a ! -e "$drive_c/windows/syswow64/$f"
done
check "a log that is a link: the install goes on" test "$(logged "$temp\\glow.log")" = "exit 0"
check "a log that is a link: its target is unchanged" cmp -s "$drive_c/windows/win.ini" "$work/win.ini"
echo ordinary >"$local_appdata/Temp/plain.log"
logged "$temp\\plain.log" >/dev/null
check "an ordinary log beside them is written" contains "$(cat "$local_appdata/Temp/plain.log")" "[Glowset]"
rm -f "$drive_c/glow-test/held" "$drive_c/glow-test/release" "$marker"
w 'C:\glow-test\hold-file.exe' '\\.\pipe\glow-log' 'C:\glow-test\held' 'C:\glow-test\release' &
holder=$!
wait_until 120 test -e "$drive_c/glow-test/held"
check "a log that is someone's pipe: the install goes on" test "$(logged '\\.\pipe\glow-log')" = "exit 0"
touch "$drive_c/glow-test/release"; wait "$holder"
check "a log that is someone's pipe: never connected to" no_marker
rm -f "$marker"

# The locks' names made first by a program without administrator rights (anyone may make a Global\
# object), with default security and refusing everyone: installs and removals are neither told to try
# later nor failed, for as long as it runs.
locks=("TAVO ScreenSaver Installer Local Mutex" "Global\\TAVO ScreenSaver Installer Global Mutex"
       "Global\\TAVO ScreenSaver Uninstaller Global Mutex")
for how in "" deny; do
  rm -f "$drive_c/glow-test/release" "$drive_c/glow-test"/held*
  holders=()
  for n in 0 1 2; do
    w 'C:\glow-test\hold-file.exe' "mutex:${locks[n]}" "C:\\glow-test\\held$n" 'C:\glow-test\release' $how &
    holders+=($!)
  done
  wait_until 120 test -e "$drive_c/glow-test/held0" -a -e "$drive_c/glow-test/held1" -a -e "$drive_c/glow-test/held2"
  check "locks made first ${how:+refusing everyone }by a program: the install goes through" test "$(install)" = "exit 0"
  check "locks made first ${how:+refusing everyone }by a program: the removal goes through" \
    test "$(remove | head -n 1)" = "exit 0"
  touch "$drive_c/glow-test/release"; wait "${holders[@]}"
done

# An unquoted command with blanks would start C:\windows\notepad.exe for the product "notepad Glow".
printf '[Inst]\r\nName=notepad Glow\r\n' >"$drive_c/glow-test/Glowset.ini"
install >/dev/null
w uninstaller --remove "notepad Glow" >/dev/null
wait_until 30 not registered "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\notepad Glow"
check "Add/Remove Programs removes \"notepad Glow\"" test ! -e "$drive_c/windows/system32/notepad Glow.scr"
check "no planted program ran" no_marker

# The placed screen saver held open by a program without administrator rights, sharing reading only, so
# that it can be neither deleted nor renamed: the removal schedules no deletion of its name, which a
# reinstall takes again, and after the restart the reinstalled screen saver is there.
rm -f "$drive_c/glow-test/Glowset.ini" "$drive_c/glow-test/held" "$drive_c/glow-test/release"
install >/dev/null
native='C:\windows\system32'
[ "$arch" = win64 ] && native='C:\windows\Sysnative'  # the holder is a 32-bit program too
w 'C:\glow-test\hold-file.exe' "$native\\$name.scr" 'C:\glow-test\held' 'C:\glow-test\release' read &
holder=$!
wait_until 120 test -e "$drive_c/glow-test/held"
out=$(remove)
touch "$drive_c/glow-test/release"; wait "$holder"
# Each entry is followed by its target, empty for a deletion: the own name would read "...\<Name>.scr\0".
pending=$(w reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations | tr -d '\r')
check "a held screen saver: its own name is not scheduled for deletion" \
  not grep -qiF "\\system32\\$name.scr\\0" <<<"$pending"
check "a held screen saver: it stays listed, to be removed later (104)" test "$(head -n 1 <<<"$out")" = "exit 104"
check "the reinstall goes through" test "$(install)" = "exit 0"
timeout 30 wineserver -k </dev/null >/dev/null 2>&1
w cmd /c exit >/dev/null  # a new session: the prefix has restarted
check "after the restart the reinstalled screen saver is there" test -e "$placed"
exit $((failures > 0))
