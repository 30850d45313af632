#!/usr/bin/env bash
# Names and folders with letters outside the system's ANSI code page (Western, 1252): a Cyrillic and
# Chinese local application-data folder, an installer folder with such letters, product names from
# Glowset.ini in every encoding it may be saved in, screen savers named so. Each install's entry, launcher
# and placed files must carry the exact name, and the removal must take them all. Then an old ANSI
# settings file under a Cyrillic system (1251), and, when an earlier build is given, its entry removed.
# Usage: code-pages.sh BIN_DIR TOOLS_DIR win64|win32 [EARLIER_GLOWSET_EXE]
set -u
bin=$(readlink -f "$1") tools=$(readlink -f "$2") arch=$3 earlier=${4:-}
export LC_ALL=en_US.UTF-8  # Wine takes the Windows code page from the locale's name: 1252
# A user whose name no ANSI code page holds all of: the profile folder, and the local application data
# in it, carry it (Wine names the account after $USER when it makes the prefix).
export USER='Пользователь 用户'
. "$(dirname "$0")/sealed-prefix.sh"
new_prefix "$arch" "code-pages-$arch"
cp "$tools/run-tree.exe" "$drive_c/glow-test/"
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
system32=$drive_c/windows/system32
appdata='C:\users\Пользователь 用户\AppData\Local'
[ -d "$(unix_path "$appdata")" ] || echo "FAIL: the account's profile is not $appdata"

# entry NAME: the uninstall key's values as the registry holds them, one "name"="value" a line. The
# session restarts after each look: under emulation, a 32-bit debuggee started after reg.exe in the same
# session can fail to start (an assertion in Wine's process start-up).
# Only reg.exe saying the key is not there reads as no entry: a reg.exe that fails otherwise prints what it
# said, which no entry check takes for "gone".
entry() {
  # reg.exe speaks the locale's language: its "not found" is read in English.
  if ! LC_ALL=en_US.UTF-8 timeout 120 wine reg export "$uninstall_key\\$1" 'C:\glow-test\entry.reg' /reg:32 /y </dev/null >"$work/reg.out" 2>&1; then
    timeout 30 wineserver -k </dev/null >/dev/null 2>&1
    grep -q 'Unable to find the specified registry key' "$work/reg.out" ||
      echo "reg.exe failed: $(tr -d '\r' <"$work/reg.out" | head -c 300)"
    return 0
  fi
  iconv -f UTF-16 -t UTF-8 "$drive_c/glow-test/entry.reg" | tr -d '\r'
  rm -f "$drive_c/glow-test/entry.reg"
  timeout 30 wineserver -k </dev/null >/dev/null 2>&1
}
registered() { [ -n "$(entry "$1")" ]; }

# case LABEL FOLDER NAME [SCR...]: Glowset.exe and the screen savers (TAVO.scr when none is named) in
# FOLDER (a C: path), with Glowset.ini as $work/ini holds it; installed, checked, removed, checked.
case_of() {
  local label=$1 folder=$2 name=$3; shift 3
  local dir; dir=$(unix_path "$folder")
  rm -rf "$dir"; mkdir -p "$dir"
  cp "$bin/Glowset.exe" "$dir/"
  [ -f "$work/ini" ] && cp "$work/ini" "$dir/Glowset.ini"
  local placed=()
  if [ $# -eq 0 ]; then cp "$bin/TAVO.scr" "$dir/"; placed=("$name.scr"); fi
  for scr in "$@"; do cp "$bin/TAVO.scr" "$dir/$scr"; placed+=("$scr"); done
  local out; out=$(run_tree "\"$folder\\Glowset.exe\" /d")
  check "$label: installed" test "$(head -n 1 <<<"$out")" = "exit 0"
  [ "$(head -n 1 <<<"$out")" = "exit 0" ] || echo "$out" | sed 's/^/  /' | head -20
  local values; values=$(entry "$name")
  check "$label: DisplayName is \"$name\"" contains "$values" "\"DisplayName\"=\"$name\""
  check "$label: UninstallString names the launcher" \
    contains "$values" "\"UninstallString\"=\"\\\"C:\\\\windows\\\\$name Uninstaller.exe\\\"\""
  check "$label: the launcher is \"$name Uninstaller.exe\"" test -f "$drive_c/windows/$name Uninstaller.exe"
  for scr in "${placed[@]}"; do check "$label: $scr placed" test -f "$system32/$scr"; done
  out=$(run_tree "\"C:\\windows\\$name Uninstaller.exe\" /d")
  check "$label: removed (uninstaller exit 0)" contains "$out" "exit 0 (started)"
  contains "$out" "exit 0 (started)" || echo "$out" | sed 's/^/  /' | head -20
  check "$label: the entry is gone" not registered "$name"
  check "$label: the launcher is gone" test ! -e "$drive_c/windows/$name Uninstaller.exe"
  for scr in "${placed[@]}"; do check "$label: $scr is gone" test ! -e "$system32/$scr"; done
  rm -f "$work/ini"
}

check "the scratch copy's folder is the Cyrillic and Chinese one" test -d "$(unix_path "$appdata")"

printf '[Inst]\r\nName=Заставка Звёзды ✨\r\n' >"$work/ini"
case_of "UTF-8 settings without a mark, from a Cyrillic folder" 'C:\dl\Загрузки 下载' "Заставка Звёзды ✨"
check "the scratch copy was written in the user's folder" test -f "$(unix_path "$appdata")/uninst.tmp"

printf '\xef\xbb\xbf[Inst]\r\nName=Łódź Nights\r\n' >"$work/ini"
case_of "UTF-8 settings with a mark" 'C:\dl\Glow' "Łódź Nights"

printf '[Inst]\r\nName=Glow 🌙 Night\r\nVersion=2.0\r\n' | iconv -f UTF-8 -t UTF-16 >"$work/ini"
case_of "UTF-16 settings with a mark" 'C:\dl\Glow' "Glow 🌙 Night"

printf '[Inst]\r\nName=\xc9cran\r\n' >"$work/ini"  # "Écran" as the Western code page writes it
case_of "ANSI settings (1252)" 'C:\dl\Glow' "Écran"

case_of "screen savers named outside the code page" 'C:\dl\Glow' "TAVO ScreenSaver" "Звёзды.scr" "Étoile.scr" "星.scr"

if [ -n "$earlier" ]; then
  # What an earlier build, in the ANSI code page, installed: the new build installs over it and removes
  # both; and an entry of that build alone is removed by the new uninstaller.
  mkdir -p "$drive_c/old"
  cp "$earlier" "$drive_c/old/Glowset.exe"
  cp "$bin/TAVO.scr" "$drive_c/old/"
  printf '[Inst]\r\nName=\xc9cran du soir\r\n' >"$drive_c/old/Glowset.ini"
  check "earlier build: installed" test "$(run_tree '"C:\old\Glowset.exe"' | head -n 1)" = "exit 0"
  check "earlier build: DisplayName" contains "$(entry 'Écran du soir')" '"DisplayName"="Écran du soir"'
  cp "$bin/Glowclear.exe" "$drive_c/glow-test/Glowclear.exe"
  out=$(run_tree '"C:\glow-test\Glowclear.exe" /d "/name=Écran du soir"')
  check "earlier build's entry: removed by the new uninstaller" test "$(head -n 1 <<<"$out")" = "exit 0"
  check "earlier build's entry: gone" not registered 'Écran du soir'
  check "earlier build's entry: screen saver gone" test ! -e "$system32/Écran du soir.scr"
  check "earlier build's entry: launcher gone" test ! -e "$drive_c/windows/Écran du soir Uninstaller.exe"
  check "earlier build again: installed" test "$(run_tree '"C:\old\Glowset.exe"' | head -n 1)" = "exit 0"
  printf '[Inst]\r\nName=\xc9cran du soir\r\n' >"$work/ini"
  case_of "the new build over the earlier one" 'C:\dl\Glow' "Écran du soir"
fi

# A Cyrillic system (1251): a settings file saved in its ANSI code page reads as before.
timeout 30 wineserver -k </dev/null >/dev/null 2>&1
export LC_ALL=ru_RU.UTF-8
printf '[Inst]\r\nName=\xc7\xe0\xf1\xf2\xe0\xe2\xea\xe0\r\n' >"$work/ini"  # "Заставка" in 1251
case_of "ANSI settings (1251) on a Cyrillic system" 'C:\dl\Glow' "Заставка"
exit $((failures > 0))
