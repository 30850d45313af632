#!/usr/bin/env bash
# Unattended deployment, as a fleet tool runs it: the installer and the registered uninstall command are
# started and waited for, the exit code mapped, the detection rule run at once. No run waits for a click
# (a window station no one sees, as a service's), the uninstall command returns only when the removal is
# over, two removals at once give one 1618, and /log= writes what the debugger channel gets.
# Usage: fleet.sh BIN_DIR TOOLS_DIR win64|win32 [ROUNDS]
set -u
bin=$(readlink -f "$1") tools=$(readlink -f "$2") arch=$3 rounds=${4:-20}
. "$(dirname "$0")/sealed-prefix.sh"
new_prefix "$arch" "fleet-$arch"
cp "$bin/Glowset.exe" "$bin/TAVO.scr" "$tools/run-tree.exe" "$tools/deploy-tool.exe" "$drive_c/glow-test/"
mkdir -p "$drive_c/alone" && cp "$bin/Glowset.exe" "$drive_c/alone/"
name="TAVO ScreenSaver"
tool() { w 'C:\glow-test\deploy-tool.exe' "$@" | tr -d '\r'; }
seconds() { local t0=$SECONDS; "$@" >/dev/null; echo $((SECONDS - t0)); }

# No box where no one can see it: the installer alone in a folder fails at once, with its code.
start=$SECONDS
out=$(tool --hidden run '"C:\alone\Glowset.exe" /log=C:\alone\glowset.log')
check "hidden: the installer with nothing to place exits 5 ($out)" test "$out" = "exit 5"
check "hidden: within a few seconds ($((SECONDS - start)) s)" test $((SECONDS - start)) -lt 30
log=$(tr -d '\r' <"$drive_c/alone/glowset.log")
check "hidden: no box, the log says so" contains "$log" "no visible window station, message not shown -> Failed to install!"
long=$(printf 'n%.0s' {1..249})  # a name one too long for the uninstaller's command line with /d
mkdir -p "$drive_c/a" && cp "$bin/Glowrun.exe" "$drive_c/a/$long.exe"
out=$(tool --hidden run "\"C:\\a\\$long.exe\" /d")
check "hidden: a launcher whose name cannot be passed on exits 3 ($out)" test "$out" = "exit 3"

# The uninstall command, waited for alone, leaves nothing for the detection rule to find.
out=$(tool rounds "$rounds" "$name" '"C:\glow-test\Glowset.exe"')
echo "$out" | sed 's/^/  /'
check "install and remove by the registered command: $rounds of $rounds rounds clean" \
  contains "$out" "rounds ok $rounds of $rounds"
check "installed once more" test "$(tool run '"C:\glow-test\Glowset.exe"')" = "exit 0"
check "the quiet uninstall command too" test "$(tool remove "$name" quiet)" = "exit 0, entry gone, files gone"

# Two removals at once: one goes through, the other is told to try later.
check "installed for two removals" test "$(tool run '"C:\glow-test\Glowset.exe"')" = "exit 0"
out=$(tool twice "$name")
check "two removals at once: one 0, one 1618 ($out)" test "$out" = "exit 0 1618"

# The uninstaller ended from outside with exit code 0 before it could report (a time limit, a security
# product): the uninstall command must not say "removed".
check "installed for a removal cut short" test "$(tool run '"C:\glow-test\Glowset.exe"')" = "exit 0"
out=$(tool cut "$name" 'C:\glow-test\cut.log')
check "an uninstaller ended with 0 before it reported: the command returns 9 ($out)" contains "$out" "exit 9,"
tool remove "$name" >/dev/null

# The log file gets the lines the debugger channel gets, the uninstaller's included.
check "installed with a log" test "$(run_tree '"C:\glow-test\Glowset.exe" /d /log=C:\glow-test\install.log' | head -n 1)" = "exit 0"
traced=$(run_tree "\"C:\\windows\\$name Uninstaller.exe\" /d \"/log=C:\\glow-test\\remove log.txt\"")
check "removed with a log" test "$(head -n 1 <<<"$traced")" = "exit 0"
logged=$(tr -d '\r' <"$drive_c/glow-test/remove log.txt")
# Two processes write at once: each one's lines in order.
for tag in Glowrun Glowclear; do
  check "the removal's log holds $tag's lines of the debugger channel, in order" \
    test "$(grep "^\[$tag\]" <<<"$logged")" = "$(grep "^\[$tag\]" <<<"$traced")"
done
check "the uninstaller's lines to the end" contains "$logged" "[Glowclear][Notify]InitInstance -> Prepare to exit..."
check "the install's log likewise" contains "$(tr -d '\r' <"$drive_c/glow-test/install.log")" \
  "[Glowset][Notify]ExitInstance -> Prepare to exit..."
exit $((failures > 0))
