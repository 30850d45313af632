#!/usr/bin/env bash
# What the shipped programs import. The three programs, and the copies each carries of the next, import
# only KERNEL32.dll and msvcrt.dll: everything else is loaded from the system folder at run time, so that
# no DLL planted beside them is ever loaded before their first act. No MinGW runtime DLL may ride along.
# The sample screen saver may use the window and drawing libraries too. Each program also carries its own
# manifest (an external one beside it is then ignored) and says it is terminal-server aware.
# Their objects keep no mutable state at namespace scope, nor in a function: each run carries its own.
# Usage: check-imports.sh OBJDUMP PE_RESOURCES GLOWSET GLOWRUN GLOWCLEAR SAMPLE NM PRODUCT_OBJECTS...
set -u
objdump=$1 resources=$2 glowset=$3 glowrun=$4 glowclear=$5 sample=$6 nm=$7
shift 7
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

check() {  # check NAME FILE ALLOWED
  local dlls
  dlls=$("$objdump" -p "$2" | awk '/DLL Name:/ {print $3}')
  if [ -z "$dlls" ]; then
    echo "FAIL $1: no import table read"; status=1; return
  fi
  for dll in $dlls; do
    case " $3 " in
      *" $dll "*) ;;
      *) echo "FAIL $1 imports $dll"; status=1 ;;
    esac
  done
  echo "$1: $(echo $dlls)"
}

check_program() {  # check_program NAME FILE: a shipped program's imports, manifest and headers
  check "$1" "$2" "$programs"
  python3 "$resources" list "$2" | grep -q '^24 1 ' || { echo "FAIL $1 carries no manifest"; status=1; }
  "$objdump" -p "$2" | grep -q 'TERMINAL_SERVICE_AWARE' || { echo "FAIL $1 is not terminal-server aware"; status=1; }
}

programs='KERNEL32.dll msvcrt.dll'
check_program Glowset.exe "$glowset"
check_program Glowrun.exe "$glowrun"
check_program Glowclear.exe "$glowclear"
python3 "$resources" get "$glowset" 10 UNINSTALL.EXE >"$work/launcher" || status=1
python3 "$resources" get "$work/launcher" 10 UNINSTALL.EXE >"$work/uninstaller" || status=1
check_program "the launcher inside Glowset.exe" "$work/launcher"
check_program "the uninstaller inside that launcher" "$work/uninstaller"
check TAVO.scr "$sample" "$programs GDI32.dll USER32.dll"

# What may stay in .data or .bss: the seam's pointer table (the functions found at run time included) and
# the pointer to a test's Os behind it, the trace's switch, program tag and log file, and the heap's growth counter
# that only tests set.
allowed='^glow::(seam::[A-Za-z0-9]+|real::g_functions|\(anonymous namespace\)::(g_test|g_traceOn|g_tag|g_log|g_growthsUntilFailure))$'
state=$("$nm" -C "$@" | awk '$2 ~ /^[bBdDcCsS]$/ && $3 !~ /^\./ { sub(/^[^ ]+ [^ ]+ /, ""); print }' | sort -u)
[ -n "$state" ] || { echo "FAIL no state read from the product's objects"; status=1; }
while read -r name; do
  echo "FAIL product code keeps state of its own: $name"; status=1
done < <(grep -Ev "$allowed" <<<"$state")
echo "product objects: no state beyond $(grep -cE "$allowed" <<<"$state") allowed symbols"
exit $status
