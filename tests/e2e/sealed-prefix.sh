# Sourced by the end-to-end scripts: a fresh Wine prefix that cannot reach outside itself (no Z: drive, no
# links to the home folder), and small helpers to drive it. A test that plants links or deletes files
# must not be able to touch anything but the prefix.
#   new_prefix win64|win32 NAME      makes $WINEPREFIX under a new work folder; removed again on exit
#   w PROGRAM [ARGS...]              runs a Windows program in it, bounded, streams redirected
#   run_tree "COMMAND LINE"          runs it until it and all it started have ended: "exit N" and trace lines
#   unix_path 'C:\...'               where a C: path lies on this machine

. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env"
glow_wine_env || { echo "FAIL: Wine cannot start on this host (see above)"; exit 1; }

glow_cleanup() {
  timeout 30 wineserver -k </dev/null >/dev/null 2>&1
  [ -n "${work:-}" ] && rm -rf "$work"
}

new_prefix() {
  local arch=$1 name=$2
  work=$(mktemp -d "${TMPDIR:-/tmp}/glow-$name.XXXXXX")
  trap glow_cleanup EXIT
  export WINEDEBUG=-all
  glow_sealed_prefix "$work/prefix" "$arch" "$work/boot.log" || { echo "FAIL: wineboot ($arch)"; exit 1; }
  drive_c=$WINEPREFIX/drive_c
  local_appdata=$(echo "$drive_c"/users/*/AppData/Local)
  mkdir -p "$drive_c/glow-test"
}

w() { timeout "${GLOW_WINE_TIMEOUT:-120}" wine "$@" </dev/null 2>>"$work/wine.log"; }

run_tree() { w 'C:\glow-test\run-tree.exe' "$1" | tr -d '\r'; }

unix_path() {
  local p=${1#C:\\}
  echo "$drive_c/${p//\\//}"
}

# wait_until SECONDS COMMAND...: true as soon as COMMAND succeeds, false once SECONDS have passed.
wait_until() { local end=$((SECONDS + $1)); shift; until "$@"; do [ $SECONDS -lt $end ] || return 1; sleep 0.1; done; }

contains() { [[ "$1" == *"$2"* ]]; }
not() { ! "$@"; }

failures=0
check() {  # check "what" command...
  local what=$1; shift
  if "$@"; then echo "PASS: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}
