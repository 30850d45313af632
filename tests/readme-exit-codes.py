#!/usr/bin/env python3
"""The README's exit-code tables against the programs' exit_codes.h: every code is listed, no listed code
is stale, and the deployment table classes every code a program still returns.
Usage: readme-exit-codes.py SOURCE_ROOT"""
import re
import sys

root = sys.argv[1]
readme = open(f"{root}/README.md", encoding="utf-8").read()
failures = []


def codes_of(header):
    text = open(f"{root}/{header}", encoding="utf-8").read()
    returned = {int(n) for n in re.findall(r"^\s*k\w+\s*=\s*(\d+)", text, re.M)}
    retired = {int(n) for n in re.findall(r"^\s*//\s*(\d+): retired", text, re.M)}
    return returned, retired


def table_rows(title):
    match = re.search(r"^\| " + re.escape(title) + r" \| Meaning \|\n\|---\|---\|\n((?:\|.*\n)+)", readme, re.M)
    if not match:
        failures.append(f"no README table headed '{title}'")
        return set()
    return {int(n) for n in re.findall(r"^\| (\d+) \|", match.group(1), re.M)}


def classed(program):
    match = re.search(r"^\| " + re.escape(program) + r" \|(.*)\|$", readme, re.M)
    if not match:
        failures.append(f"no deployment row for {program}")
        return set()
    return {int(n) for n in re.findall(r"\d+", match.group(1))}


for header, title, program in [("installer/exit_codes.h", "Installer", "installer, `Glowset.exe`"),
                               ("launcher/exit_codes.h", "Uninstall command (launcher)", "uninstall command, `QuietUninstallString`"),
                               ("uninstaller/exit_codes.h", "Uninstaller", None)]:
    returned, retired = codes_of(header)
    rows = table_rows(title)
    for code in sorted((returned | retired) - rows):
        failures.append(f"{header}: code {code} is not in the README's '{title}' table")
    for code in sorted(rows - returned - retired):
        failures.append(f"README '{title}' table lists {code}, which {header} does not have")
    if program:
        for code in sorted(returned ^ classed(program)):
            failures.append(f"deployment table, {program}: {code} is " +
                            ("not classed" if code in returned else "classed but not returned"))
    print(f"{header}: {len(returned)} codes, {len(retired)} retired, checked against the README")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
