#!/usr/bin/env bash
# The shipped programs import system DLLs only: no MinGW runtime DLL (libstdc++, libgcc, winpthread)
# may ride along, or the programs would not start on a machine without it.
# Usage: check-imports.sh OBJDUMP PROGRAM...
set -u
objdump=$1; shift
allowed=' ADVAPI32.dll GDI32.dll KERNEL32.dll SHELL32.dll USER32.dll msvcrt.dll '
status=0
for program in "$@"; do
  dlls=$("$objdump" -p "$program" | awk '/DLL Name:/ {print $3}')
  if [ -z "$dlls" ]; then
    echo "FAIL $program: no import table read"; status=1; continue
  fi
  for dll in $dlls; do
    case "$allowed" in
      *" $dll "*) ;;
      *) echo "FAIL $program imports $dll"; status=1 ;;
    esac
  done
  echo "$(basename "$program"): $(echo $dlls)"
done
exit $status
