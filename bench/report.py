#!/usr/bin/env python3
"""Turns one scripts/bench run (out/bench/runs/) into the Markdown report and prints its main table.

  report.py RUNS_DIR RESULTS.md
"""
import glob
import json
import os
import re
import statistics
import sys

PEERS = [("ours", "ours (Glowset.exe)"), ("nsis", "NSIS"), ("msi", "MSI (wixl)")]
KEY_VALUES = ["CopyScrPath", "UninstallString", "DisplayVersion", "DisplayName", "DisplayIcon", "InstallDate",
              "Publisher", "URLInfoAbout", "InstallLocation", "EstimatedSize"]


def parse_line(text):
    """exit=0 returned_ms=1.2 done_ms=3.4 state=done left=0 first_left=... outer_ms=56"""
    out = {}
    m = re.search(r"first_left=(.*?)(?= outer_ms=|$)", text)
    out["first_left"] = m.group(1) if m else "-"
    for k in ("exit", "returned_ms", "done_ms", "state", "left", "outer_ms"):
        m = re.search(r"\b%s=(\S+)" % k, text)
        out[k] = m.group(1) if m else ""
    for k in ("returned_ms", "done_ms", "outer_ms"):
        try:
            out[k] = float(out[k])
        except ValueError:
            out[k] = None
    return out


def read(path, default=""):
    try:
        return open(path, encoding="utf-8", errors="replace").read()
    except OSError:
        return default


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def fmt(v, digits=1):
    if v is None:
        return "—"
    if isinstance(v, int) or float(v).is_integer() and digits == 0:
        return "{:,}".format(int(v))
    return "%.*f" % (digits, v)


def ratio(v, ours):
    if v is None or ours is None:
        return "—"
    if ours == 0:
        return "—" if v else "="
    return "%.2f×" % (v / ours)


def main(runs, results_path):
    meta = dict(l.split("=", 1) for l in read(os.path.join(runs, "meta.txt")).splitlines() if "=" in l)
    reps = int(meta.get("reps", "0") or 0)
    data = {}
    for peer, _ in PEERS:
        rows = []
        for rep in range(1, reps + 1):
            base = os.path.join(runs, "%s-%d" % (peer, rep))
            inst = parse_line(read(base + ".install"))
            rem = parse_line(read(base + ".remove"))
            try:
                left = json.load(open(base + ".leftovers.json"))
            except (OSError, ValueError):
                left = None
            busy = read(base + ".busy").strip()
            reset = read(base + ".reset").strip()
            rows.append({"rep": rep, "install": inst, "remove": rem, "left": left, "busy": busy, "reset": reset})
        data[peer] = rows

    sizes = {p: int(meta.get("size_" + p, "0") or 0) for p, _ in PEERS}

    def stat(peer, f):
        return median([f(r) for r in data[peer]])

    install_ms = lambda r: r["install"]["done_ms"] if r["install"]["state"] == "done" else None
    removal_ms = lambda r: r["remove"]["done_ms"] if r["remove"]["state"] == "done" else None
    left_files = lambda r: r["left"]["files"] if r["left"] else None
    left_reg = lambda r: r["left"]["registry"] if r["left"] else None

    figures = {}
    for peer, _ in PEERS:
        figures[peer] = {
            "size": sizes[peer],
            "install": stat(peer, install_ms),
            "removal": stat(peer, removal_ms),
            "files": stat(peer, left_files),
            "reg": stat(peer, left_reg),
        }
    o = figures["ours"]

    main_table = []
    main_table.append("| peer | installer bytes | ÷ ours | install ms | ÷ ours | removal ms | ÷ ours "
                      "| leftover files | ÷ ours | leftover registry entries | ÷ ours |")
    main_table.append("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for peer, label in PEERS:
        f = figures[peer]
        main_table.append("| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |" % (
            label, fmt(f["size"], 0), ratio(f["size"], o["size"]),
            fmt(f["install"]), ratio(f["install"], o["install"]),
            fmt(f["removal"]), ratio(f["removal"], o["removal"]),
            fmt(f["files"], 0), ratio(f["files"], o["files"]),
            fmt(f["reg"], 0), ratio(f["reg"], o["reg"])))

    detail = ["| peer | install done | removal done | install ms min–max | removal ms min–max "
              "| removal command returned ms | install outer ms | removal outer ms |",
              "|---|---:|---:|---:|---:|---:|---:|---:|"]
    for peer, label in PEERS:
        rows = data[peer]
        ok_i = sum(1 for r in rows if r["install"]["state"] == "done")
        ok_r = sum(1 for r in rows if r["remove"]["state"] == "done")
        iv = [install_ms(r) for r in rows if install_ms(r) is not None]
        rv = [removal_ms(r) for r in rows if removal_ms(r) is not None]
        detail.append("| %s | %d/%d | %d/%d | %s | %s | %s | %s | %s |" % (
            label, ok_i, len(rows), ok_r, len(rows),
            "%s–%s" % (fmt(min(iv)), fmt(max(iv))) if iv else "—",
            "%s–%s" % (fmt(min(rv)), fmt(max(rv))) if rv else "—",
            fmt(stat(peer, lambda r: r["remove"]["returned_ms"])),
            fmt(stat(peer, lambda r: r["install"]["outer_ms"]), 0),
            fmt(stat(peer, lambda r: r["remove"]["outer_ms"]), 0)))

    # the same medians over the repetitions that met a quiet machine only
    def quiet(r):
        try:
            return int(r["busy"]) <= 25
        except ValueError:
            return False
    quiet_table = ["| peer | quiet repetitions | install ms | ÷ ours | removal ms | ÷ ours "
                   "| removal after the command returned, ms (each repetition) |",
                   "|---|---:|---:|---:|---:|---:|---|"]
    qo = {}
    for peer, label in PEERS:
        rows = [r for r in data[peer] if quiet(r)]
        qi = median([install_ms(r) for r in rows])
        qr = median([removal_ms(r) for r in rows])
        if peer == "ours":
            qo = {"install": qi, "removal": qr}
        tails = ["%.0f" % (r["remove"]["done_ms"] - r["remove"]["returned_ms"]) for r in data[peer]
                 if r["remove"]["done_ms"] is not None and r["remove"]["returned_ms"] is not None]
        quiet_table.append("| %s | %d/%d | %s | %s | %s | %s | %s |" % (
            label, len(rows), len(data[peer]), fmt(qi), ratio(qi, qo.get("install")), fmt(qr),
            ratio(qr, qo.get("removal")), " / ".join(tails) or "—"))

    # what removal left, from the first repetition (a prefix nothing had touched before)
    leftovers = []
    for peer, label in PEERS:
        r = data[peer][0] if data[peer] else None
        leftovers.append("**%s** (repetition 1, fresh prefix)" % label)
        leftovers.append("")
        if not r or not r["left"]:
            leftovers.append("- no snapshot")
        else:
            lf = r["left"]
            names = []
            for k, what in (("files_added", "file added"), ("files_gone", "file gone"),
                            ("keys_added", "key added"), ("keys_gone", "key gone"),
                            ("values_added", "value added"), ("values_gone", "value gone"),
                            ("values_changed", "value changed")):
                names += ["- %s: `%s`" % (what, e.replace("\t", " ")) for e in lf[k]]
            if not names:
                names = ["- nothing"]
            if lf.get("shared_view_duplicates"):
                names.append("- (%d of these registry entries showed in both the 64-bit and the 32-bit view: counted once)"
                             % lf["shared_view_duplicates"])
            if len(names) > 30:
                names = names[:30] + ["- … %d more (see out/bench/runs/%s-1.leftovers.json)" % (len(names) - 30, peer)]
            leftovers += names
            every = [x["left"] for x in data[peer] if x["left"]]
            if len(every) > 1:
                leftovers.append("- every repetition (each reset to the state before it): files %s, registry %s"
                                 % ("/".join(str(x["files"]) for x in every),
                                    "/".join(str(x["registry"]) for x in every)))
            if r["reset"]:
                leftovers.append("- %s" % r["reset"])
            if r["remove"]["state"] != "done":
                leftovers.append("- removal did not finish within its bound: %s item(s) still there, first `%s`"
                                 % (r["remove"]["left"], r["remove"]["first_left"]))
        leftovers.append("")

    noise = []
    for peer, label in PEERS:
        try:
            n = json.load(open(os.path.join(runs, "noise-%s.json" % peer)))
            noise.append("%s: files %d, registry %d, filtered Wine noise %d" % (label, n["files"], n["registry"], n["noise"]))
        except (OSError, ValueError):
            noise.append("%s: —" % label)

    # the values each wrote under the uninstall key (repetition 1, read right after install)
    values = {}
    for peer, _ in PEERS:
        vals = {}
        for line in read(os.path.join(runs, "%s-1.key.txt" % peer)).splitlines():
            m = re.match(r"^\s{4}(\S+)\s{4}(REG_\w+)\s{4}(.*)$", line)
            if m:
                vals[m.group(1)] = "%s %s" % (m.group(2), m.group(3).strip())
        m = re.search(r"ScrnSave\.exe\s+(REG_\w+)\s+(.*)", read(os.path.join(runs, "%s-1.scrnsave.txt" % peer)))
        vals["HKCU ScrnSave.exe"] = "%s %s" % (m.group(1), m.group(2).strip()) if m else "(missing)"
        values[peer] = vals
    value_table = ["| value | " + " | ".join(l for _, l in PEERS) + " |", "|---" * (len(PEERS) + 1) + "|"]
    for v in KEY_VALUES + ["HKCU ScrnSave.exe"]:
        value_table.append("| %s | %s |" % (v, " | ".join("`%s`" % values[p].get(v, "(missing)").replace("|", "\\|")
                                                            for p, _ in PEERS)))
    extra = sorted(set(k for p, _ in PEERS for k in values[p]) - set(KEY_VALUES) - {"HKCU ScrnSave.exe"})
    for v in extra:
        value_table.append("| %s (extra) | %s |" % (v, " | ".join("`%s`" % values[p].get(v, "—") for p, _ in PEERS)))

    variants = ["| SetCompressor | Unicode | bytes |", "|---|---|---:|"]
    for line in read(os.path.join(runs, "nsis-variants.tsv")).splitlines():
        c, u, s = line.split("\t")
        variants.append("| %s | %s | %s |" % (c, u, fmt(int(s), 0)))
    chosen = read(os.path.join(runs, "nsis-chosen.tsv")).strip().split("\t")

    # scale curve
    scale = {}
    for line in read(os.path.join(runs, "scale.tsv")).splitlines():
        parts = line.split("\t")
        if len(parts) < 5:
            continue
        peer, n = parts[0], int(parts[1])
        scale.setdefault((peer, n), []).append((parse_line(parts[3]), parse_line(parts[4])))
    nsis_sizes = dict(l.split("\t") for l in read(os.path.join(runs, "scale-nsis-sizes.tsv")).splitlines() if "\t" in l)
    counts = sorted(set(n for _, n in scale))
    scale_table = ["| .scr files | ours install ms | ours ms/file | ours removal ms | ours ms/file "
                   "| NSIS install ms | NSIS ms/file | NSIS removal ms | NSIS ms/file | NSIS installer bytes |",
                   "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for n in counts:
        cells = []
        for peer in ("ours", "nsis"):
            runs_ = scale.get((peer, n), [])
            im = median([i["done_ms"] for i, _ in runs_ if i["state"] == "done"])
            rm = median([r["done_ms"] for _, r in runs_ if r["state"] == "done"])
            notdone = sum(1 for _, r in runs_ if r["state"] != "done")
            rtext = fmt(rm) + (" (%d/%d unfinished)" % (notdone, len(runs_)) if notdone else "")
            cells += [fmt(im), fmt(im / n if im is not None else None, 2), rtext, fmt(rm / n if rm is not None else None, 2)]
        cells.append(fmt(int(nsis_sizes[str(n)]), 0) if str(n) in nsis_sizes else "—")
        scale_table.append("| %d | %s |" % (n, " | ".join(cells)))

    raw = ["| peer | rep | install ms | state | removal ms | state | returned ms | left | leftover files | leftover reg "
           "| machine busy % before |",
           "|---|---:|---:|---|---:|---|---:|---:|---:|---:|---:|"]
    for peer, label in PEERS:
        for r in data[peer]:
            raw.append("| %s | %d | %s | %s | %s | %s | %s | %s | %s | %s | %s |" % (
                peer, r["rep"], fmt(r["install"]["done_ms"]), r["install"]["state"], fmt(r["remove"]["done_ms"]),
                r["remove"]["state"], fmt(r["remove"]["returned_ms"]), r["remove"]["left"],
                r["left"]["files"] if r["left"] else "—", r["left"]["registry"] if r["left"] else "—",
                r["busy"] or "—"))

    free = read(os.path.join(runs, "free.txt")).rstrip()
    quick = meta.get("quick") == "1"
    doc = []
    doc.append("# Glow bench results%s" % (" (quick smoke run)" if quick else ""))
    doc.append("")
    doc.append("Written by `scripts/bench%s`; bench/README.md says what each figure means." % (" --quick" if quick else ""))
    doc.append("")
    doc.append("- date: %s" % meta.get("date", "?"))
    doc.append("- machine: %s cores, kernel %s, %s" % (meta.get("nproc", "?"), meta.get("kernel", "?"), meta.get("wine", "?")))
    doc.append("- tools: makensis %s, %s" % (meta.get("makensis", "?"), meta.get("wixl", "?").strip()))
    doc.append("- measured: Glowset.exe sha256 %s…, TAVO.scr %s bytes; %d interleaved repetitions (ours, NSIS, MSI, …); "
               "run took %s s" % (meta.get("sha_ours", "?"), meta.get("size_scr", "?"), reps, meta.get("elapsed_s", "?")))
    doc.append("- our programs: Glowset.exe %s bytes, carrying Glowrun.exe %s bytes, carrying Glowclear.exe %s bytes"
               % tuple("{:,}".format(int(meta[k])) if meta.get(k, "").isdigit() else "?"
                       for k in ("size_ours", "size_launcher", "size_uninstaller")))
    doc.append("")
    doc.append("```")
    doc.append(free)
    doc.append("```")
    doc.append("")
    doc.append("- load average at start / end: %s / %s (the machine may be shared; every run first waits up to "
               "20 s for it to be under 25 %% busy, and the busy figure it saw is in the last table)"
               % (meta.get("loadavg_start", "?"), meta.get("loadavg_end", "?")))
    doc.append("")
    doc.append("## Medians")
    doc.append("")
    doc += main_table
    doc.append("")
    scr = int(meta.get("size_scr", "0") or 0)
    if scr and sizes["ours"]:
        both = sizes["ours"] + scr
        doc.append("Glowset.exe does not carry TAVO.scr (it ships beside it); both peers carry it inside. "
                   "Glowset.exe + TAVO.scr = %s bytes; against that, NSIS is %s and MSI %s."
                   % (fmt(both, 0), ratio(sizes["nsis"], both), ratio(sizes["msi"], both)))
        doc.append("")
    doc.append("Times are medians over the repetitions that finished; a removal that did not finish within its "
               "bound counts in the next table, not in the median.")
    doc.append("")
    doc += detail
    doc.append("")
    doc.append("Only the repetitions that started on a quiet machine (at most 25 % busy just before them):")
    doc.append("")
    doc += quiet_table
    doc.append("")
    doc.append("## Uninstall key and screen-saver value after install")
    doc.append("")
    doc += value_table
    doc.append("")
    doc.append("## What removal left behind")
    doc.append("")
    doc.append("Noise floor (a no-op Wine process between two snapshots): " + "; ".join(noise) + ".")
    doc.append("")
    doc += leftovers
    doc.append("## Scale: N generated copies of TAVO.scr (s0001.scr …)")
    doc.append("")
    if counts:
        doc += scale_table
    else:
        doc.append("(not run)")
    if meta.get("scale_cut", "").strip():
        doc.append("")
        doc.append("Cut for time: N = %s." % meta["scale_cut"].strip())
    doc.append("")
    doc.append("Medians of %s repetition(s) each; ms/file = the median divided by N." % meta.get("scale_reps", "?"))
    doc.append("")
    doc.append("## NSIS compressor settings tried (TAVO.scr build)")
    doc.append("")
    doc += variants
    doc.append("")
    if len(chosen) == 2:
        doc.append("The peer uses the smallest: `SetCompressor %s`, `Unicode %s`." % (chosen[0], chosen[1]))
        doc.append("")
    doc.append("## Every repetition")
    doc.append("")
    doc += raw
    doc.append("")
    open(results_path, "w", encoding="utf-8").write("\n".join(doc))
    print("\n".join(main_table))
    print()
    print("\n".join(detail))
    print()
    print("\n".join(quiet_table))
    if counts:
        print()
        print("\n".join(scale_table))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    main(sys.argv[1], sys.argv[2])
