#!/usr/bin/env bash
# Checks under Xvfb + Wine that TAVO.scr behaves as a screen saver:
#   /s keeps running on its own and ends on a key press and on a mouse move,
#   /p 0 ends at once, /c ends (without a display, and when its box is answered),
#   /p <hwnd> lives in and dies with its preview window (only when a preview host is given).
# Usage: test-scr-ends-on-input.sh <TAVO.scr> [tavo-preview-host.exe]
#   The preview host may also come from $TAVO_PREVIEW_HOST. $WINEPREFIX is used when set,
#   else a throwaway sealed prefix is made (a given prefix gets "wineserver -k": do not share it).
#   Both programs are copied into the prefix and run from there.
#   Exit code 0 when all checks pass, 77 when a needed tool is missing (CTest's skip), else 1 or 2.
set -u
. "$(dirname "$0")/../scripts/wine-env"
glow_wine_env || exit 1

die() {
    echo "FAIL: $*" >&2
    exit 1
}

[ $# -ge 1 ] || { echo "usage: $0 <TAVO.scr> [tavo-preview-host.exe]" >&2; exit 2; }
scr=$(readlink -f -- "$1") || true
[ -f "$scr" ] || { echo "no such file: $1" >&2; exit 2; }
host=${2:-${TAVO_PREVIEW_HOST:-}}
if [ -n "$host" ]; then
    host=$(readlink -f -- "$host") || true
    [ -f "$host" ] || { echo "no such preview host: ${2:-$TAVO_PREVIEW_HOST}" >&2; exit 2; }
fi
for tool in Xvfb wine wineserver xdotool; do
    command -v "$tool" >/dev/null || { echo "SKIP: missing tool: $tool" >&2; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/scr-test.XXXXXX")
export WINEDEBUG=-all
xvfb_pid=
wine_pid=

cleanup() {
    [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null
    timeout 20 wineserver -k </dev/null >/dev/null 2>&1
    timeout 20 wineserver -w </dev/null >/dev/null 2>&1
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -displayfd lets Xvfb pick a free display and tell us which
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" </dev/null >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || die "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
done
[ -s "$work/display" ] || die "Xvfb gave no display number within 10 s"
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY

if [ -z "${WINEPREFIX:-}" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    glow_sealed_prefix "${WINEPREFIX:-$work/prefix}" "${WINEARCH:-win64}" "$work/wineboot.log" ||
        die "wineboot failed: $(tail -5 "$work/wineboot.log")"
fi
echo "display $DISPLAY, prefix $WINEPREFIX"
mkdir -p "$WINEPREFIX/drive_c/glow-scr-test"
cp "$scr" ${host:+"$host"} "$WINEPREFIX/drive_c/glow-scr-test/"
winscr="C:\\glow-scr-test\\$(basename "$scr")"
[ -z "$host" ] || host="C:\\glow-scr-test\\$(basename "$host")"

# start_wine <log> <args...>: runs wine in the background, bounded, streams redirected
start_wine() {
    local log=$1
    shift
    timeout 60 wine "$@" </dev/null >"$log" 2>&1 &
    wine_pid=$!
}

# wait_end <seconds>: sets rc to the exit code if the wine process ended in time, else returns 1
wait_end() {
    local tenths=$(($1 * 10))
    for _ in $(seq 1 "$tenths"); do
        if ! kill -0 "$wine_pid" 2>/dev/null; then
            wait "$wine_pid"
            rc=$?
            wine_pid=
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# wait_window <seconds>: sets win to the id of a visible window named "TAVO ScreenSaver"
wait_window() {
    local tenths=$(($1 * 10))
    for _ in $(seq 1 "$tenths"); do
        win=$(xdotool search --onlyvisible --name '^TAVO ScreenSaver$' 2>/dev/null | head -n1)
        [ -n "$win" ] && return 0
        kill -0 "$wine_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

stop_wine() {
    [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null
    timeout 20 wineserver -k </dev/null >/dev/null 2>&1
    wine_pid=
}

# saver_case <name> <input command...>: /s must stay up, then end soon after the input
saver_case() {
    local name=$1
    shift
    xdotool mousemove 300 300
    start_wine "$work/s-$name.log" "$winscr" /s
    # the first start in a fresh prefix is slow
    if ! wait_window 30; then
        kill -0 "$wine_pid" 2>/dev/null || die "/s ($name): ended before showing a window ($(tail -3 "$work/s-$name.log"))"
        stop_wine
        die "/s ($name): no full-screen window within 30 s"
    fi
    sleep 2
    kill -0 "$wine_pid" 2>/dev/null || die "/s ($name): ended on its own, without input"
    "$@"
    if ! wait_end 5; then
        stop_wine
        die "/s ($name): still running 5 s after the input"
    fi
    [ "$rc" = 0 ] || die "/s ($name): exit code $rc"
    echo "ok: /s stays up and ends on $name"
}

mouse_steps() {
    # five small steps of 10 px, like a hand on a mouse; one big jump would be eaten as the first move
    for _ in 1 2 3 4 5; do
        xdotool mousemove_relative 10 0
        sleep 0.05
    done
}

saver_case "a key press" xdotool key space
saver_case "a 50 px mouse move" mouse_steps

start_wine "$work/p0.log" "$winscr" /p 0
wait_end 10 || { stop_wine; die "/p 0: still running after 10 s"; }
case $rc in 0 | 1) echo "ok: /p 0 ends at once (exit code $rc)" ;; *) die "/p 0: exit code $rc (crash?)" ;; esac

start_wine "$work/p-bogus.log" "$winscr" /p:12345678
wait_end 10 || { stop_wine; die "/p:12345678: still running after 10 s"; }
case $rc in 0 | 1) echo "ok: /p with a stale handle ends at once (exit code $rc)" ;; *) die "/p:12345678: exit code $rc" ;; esac

# with no display the about box cannot show and must not hang
timeout 60 env -u DISPLAY wine "$winscr" /c </dev/null >"$work/c-nodisplay.log" 2>&1 &
wine_pid=$!
wait_end 15 || { stop_wine; die "/c without a display: still running after 15 s"; }
[ "$rc" = 0 ] || die "/c without a display: exit code $rc"
echo "ok: /c ends without a display"

start_wine "$work/c.log" "$winscr" /c
wait_window 20 || { stop_wine; die "/c: no about box within 20 s"; }
sleep 0.5
kill -0 "$wine_pid" 2>/dev/null || die "/c: ended before its box was answered"
# no window manager here, so give the box the keyboard by hand before answering it
xdotool windowfocus --sync "$win" 2>/dev/null
xdotool key Return
if ! wait_end 5; then
    xdotool key Escape
    wait_end 5 || { stop_wine; die "/c: about box did not close on Return or Escape"; }
fi
[ "$rc" = 0 ] || die "/c: exit code $rc"
echo "ok: /c shows the about box and ends when it is answered"

start_wine "$work/noarg.log" "$winscr"
wait_window 20 || { stop_wine; die "no argument: no about box within 20 s"; }
xdotool windowfocus --sync "$win" 2>/dev/null
xdotool key Return
wait_end 5 || { stop_wine; die "no argument: about box did not close on Return"; }
echo "ok: no argument shows the about box"

if [ -n "$host" ]; then
    start_wine "$work/preview.log" "$host" "$winscr"
    wait_end 60 || { stop_wine; die "/p <hwnd>: preview host still running after 60 s"; }
    [ "$rc" = 0 ] || die "/p <hwnd>: $(tr -d '\r' <"$work/preview.log") (exit code $rc)"
    echo "ok: /p <hwnd> fills the preview window and ends with it"
else
    echo "skip: /p <hwnd> (no preview host given)"
fi

echo "PASS: $(basename "$scr") behaves as a screen saver"
