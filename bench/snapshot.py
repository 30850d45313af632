#!/usr/bin/env python3
"""Prefix snapshots for the bench: what a run leaves behind.

  snapshot.py flatten OUT FILES.txt HKLM64.reg HKLM32.reg HKCU.reg
      one sorted text file: "F <path under drive_c>" per file or folder, "K <key>" per registry key and
      "V <key>\\t<name>=<data>" per value. The 32-bit export's keys are marked HKLM32 (Wow6432Node).
  snapshot.py diff BEFORE AFTER OUT.json
      what is new, gone or changed in AFTER; Wine's own per-start noise (see NOISE) is counted apart.
  snapshot.py reset RUN.json PREFIX
      deletes what RUN.json lists as added (files, keys, values), so the next run starts from the same state.
  snapshot.py summary RUN.json...
      prints counts and names, one line per run (for the log).
"""
import json
import re
import sys

# Keys and values that Wine rewrites on every process start (display adapters get a new GUID each time,
# with their driver dates). A no-op run shows exactly these, which the bench prints as its noise floor.
NOISE = [
    re.compile(r"^[KV] HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\"),
    re.compile(r"^V HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\[^\t]*\t\"DriverDateData\"="),
    re.compile(r"^V HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\[^\t]*\t\"DriverDate\"="),
]


def read_reg(path, rename=None):
    raw = open(path, "rb").read()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("utf-8", "replace")
    lines = text.splitlines()
    out = []
    key = None
    pending = ""
    for line in lines:
        if pending:
            line = pending + line.strip()
            pending = ""
        if line.endswith("\\") and not line.startswith("["):
            pending = line[:-1]
            continue
        if line.startswith("[") and line.endswith("]"):
            key = line[1:-1]
            if rename:
                key = rename(key)
            out.append("K " + key)
        elif key is not None and (line.startswith('"') or line.startswith("@=")):
            if line.startswith("@="):
                name, data = "@", line[2:]
            else:
                # "name"=data, where the name may hold escaped quotes
                m = re.match(r'^("(?:[^"\\]|\\.)*")=(.*)$', line)
                if not m:
                    continue
                name, data = m.group(1), m.group(2)
            out.append("V %s\t%s=%s" % (key, name, data))
    return out


def flatten(out_path, files_path, hklm64, hklm32, hkcu):
    entries = []
    for line in open(files_path, encoding="utf-8", errors="replace"):
        line = line.rstrip("\n")
        if line:
            entries.append("F " + line)
    entries += read_reg(hklm64)
    entries += read_reg(hklm32, lambda k: "HKLM32" + k[len("HKEY_LOCAL_MACHINE"):]
                        if k.startswith("HKEY_LOCAL_MACHINE") else k)
    entries += read_reg(hkcu)
    with open(out_path, "w", encoding="utf-8") as f:
        for e in sorted(set(entries)):
            f.write(e + "\n")


def load(path):
    return set(l.rstrip("\n") for l in open(path, encoding="utf-8"))


def value_id(entry):
    # "V key\tname=data" -> "key\tname"
    key, rest = entry[2:].split("\t", 1)
    m = re.match(r'^("(?:[^"\\]|\\.)*"|@)=', rest)
    return key + "\t" + (m.group(1) if m else rest)


def readable(entry, limit=240):
    """Shows REG_MULTI_SZ / REG_EXPAND_SZ data as text and cuts very long data."""
    def decode(m):
        kind, hexdata = m.group(1), m.group(2)
        try:
            raw = bytes(int(x, 16) for x in hexdata.split(",") if x)
            text = raw.decode("utf-16-le").rstrip("\0")
        except ValueError:
            return m.group(0)
        if kind == "7":
            return "multi_sz:[" + " | ".join(text.split("\0")) + "]"
        return "expand_sz:\"" + text + "\""
    entry = re.sub(r"hex\(([27])\):([0-9a-fA-F,]*)", decode, entry)
    return entry if len(entry) <= limit else entry[:limit] + "…"


def diff(before_path, after_path, out_path):
    before, after = load(before_path), load(after_path)
    added, gone = sorted(after - before), sorted(before - after)
    noise = [e for e in added + gone if any(p.search(e) for p in NOISE)]
    added = [e for e in added if e not in noise]
    gone = [e for e in gone if e not in noise]
    before_values = {value_id(e): e for e in before if e.startswith("V ")}
    after_values = {value_id(e): e for e in after if e.startswith("V ")}
    changed = sorted(v for v in after_values if v in before_values and after_values[v] != before_values[v]
                     and after_values[v] in added)
    changed_entries = set(after_values[v] for v in changed) | set(before_values[v] for v in changed)
    result = {
        "files_added": [e[2:] for e in added if e.startswith("F ")],
        "files_gone": [e[2:] for e in gone if e.startswith("F ")],
        "keys_added": [e[2:] for e in added if e.startswith("K ")],
        "keys_gone": [e[2:] for e in gone if e.startswith("K ")],
        "values_added": [e[2:] for e in added if e.startswith("V ") and e not in changed_entries],
        "values_gone": [e[2:] for e in gone if e.startswith("V ") and e not in changed_entries],
        "values_changed": ["%s: %s -> %s" % (v, before_values[v].split("\t", 1)[1], after_values[v].split("\t", 1)[1])
                           for v in changed],
        "noise": len(noise),
    }
    # Keys shared by both views (Software\Classes, for one) show up in both exports: count them once.
    dupes = 0
    for k in ("keys_added", "keys_gone", "values_added", "values_gone", "values_changed"):
        seen = set(result[k])
        kept = []
        for e in result[k]:
            if e.startswith("HKLM32\\") and "HKEY_LOCAL_MACHINE" + e[len("HKLM32"):] in seen:
                dupes += 1
                continue
            kept.append(readable(e))
        result[k] = kept
    result["shared_view_duplicates"] = dupes
    result["files"] = len(result["files_added"]) + len(result["files_gone"])
    result["registry"] = sum(len(result[k]) for k in
                             ("keys_added", "keys_gone", "values_added", "values_gone", "values_changed"))
    json.dump(result, open(out_path, "w"), indent=1)


def unquote_name(name):
    if name == "@":
        return None
    return name[1:-1].replace('\\"', '"').replace("\\\\", "\\")


def reg_target(key):
    """Exported key name -> (key for reg.exe, view switch)."""
    if key.startswith("HKLM32\\"):
        return "HKEY_LOCAL_MACHINE" + key[len("HKLM32"):], "/reg:32"
    return key, "/reg:64"


def reset(leftovers_path, prefix):
    """Undoes what a run added (files, keys, values) so the next one starts where this one did.
    What it changed or removed cannot be put back from a snapshot: that is only reported."""
    import os
    import shutil
    import subprocess
    r = json.load(open(leftovers_path))
    env = dict(os.environ, WINEPREFIX=prefix)
    drive = os.path.realpath(os.path.join(prefix, "drive_c"))

    def reg(*args):
        subprocess.run(["timeout", "60", "wine", "reg"] + list(args), env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    done = 0
    for rel in sorted(r["files_added"], key=len):
        path = os.path.realpath(os.path.join(drive, rel))
        if not path.startswith(drive + os.sep):
            continue
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path, ignore_errors=True)
        elif os.path.lexists(path):
            os.remove(path)
        done += 1
    removed_keys = []
    for key in sorted(r["keys_added"], key=len):
        if any(key.startswith(k + "\\") for k in removed_keys):
            continue
        target, view = reg_target(key)
        reg("delete", target, view, "/f")
        removed_keys.append(key)
        done += 1
    for entry in r["values_added"]:
        m = re.match(r'^(.*?)\t("(?:[^"\\]|\\.)*"|@)=', entry)
        if not m or any(m.group(1) == k or m.group(1).startswith(k + "\\") for k in removed_keys):
            continue
        target, view = reg_target(m.group(1))
        name = unquote_name(m.group(2))
        reg("delete", target, view, *(["/ve"] if name is None else ["/v", name]), "/f")
        done += 1
    kept = len(r["values_changed"]) + len(r["values_gone"]) + len(r["keys_gone"]) + len(r["files_gone"])
    print("reset: %d undone, %d changed or removed entries left as they are" % (done, kept))


def summary(paths):
    for p in paths:
        r = json.load(open(p))
        print("%s: files %d, registry %d (noise %d)" % (p, r["files"], r["registry"], r["noise"]))
        for k in ("files_added", "files_gone", "keys_added", "keys_gone", "values_added", "values_gone",
                  "values_changed"):
            for e in r[k]:
                print("  %-14s %s" % (k, e))


if __name__ == "__main__":
    cmd = sys.argv[1] if len(sys.argv) > 1 else ""
    if cmd == "flatten" and len(sys.argv) == 7:
        flatten(*sys.argv[2:])
    elif cmd == "diff" and len(sys.argv) == 5:
        diff(*sys.argv[2:])
    elif cmd == "reset" and len(sys.argv) == 4:
        reset(*sys.argv[2:])
    elif cmd == "summary":
        summary(sys.argv[2:])
    else:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
