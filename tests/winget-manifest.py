#!/usr/bin/env python3
"""A release's winget manifests (version, installer, default locale): each valid against the schema of its
type, one package and version across the three, the zip's own SHA-256, the installer inside it, every code
the installer returns for "try later" or "restart" mapped, and the Apps & Features entry the same one the
package names. With --version, the package version is the build's; with --entry, a `reg export` of the
uninstall key an install of the zip wrote, the entry is that one: its key name, DisplayName, DisplayVersion
and Publisher.
Usage: winget-manifest.py SOURCE_ROOT MANIFEST_FOLDER ZIP [--version VERSION] [--entry KEY.reg]"""
import hashlib
import json
import os
import re
import sys
import zipfile

import jsonschema
import yaml

root, folder, zip_path = sys.argv[1:4]
options = dict(zip(sys.argv[4::2], sys.argv[5::2]))
schema = json.load(open(f"{root}/tests/winget-manifest.schema.json", encoding="utf-8"))
failures = []
manifests = {}
for name in sorted(os.listdir(folder)):
    manifest = yaml.safe_load(open(os.path.join(folder, name), encoding="utf-8"))
    kind = manifest.get("ManifestType") if isinstance(manifest, dict) else None
    if kind not in ("version", "installer", "defaultLocale") or kind in manifests:
        failures.append(f"{name}: a manifest of type {kind!r}, not one each of version, installer, defaultLocale")
        continue
    manifests[kind] = manifest
    failures += [f"{name}: schema: {'/'.join(map(str, e.path))}: {e.message}" for e in
                 jsonschema.Draft202012Validator(dict(schema, **{"$ref": f"#/$defs/{kind}"})).iter_errors(manifest)]
if len(manifests) != 3:
    failures.append(f"{folder} holds {sorted(manifests)}, not the three manifests")
    manifests = {}

if manifests:
    version, installers, locale = manifests["version"], manifests["installer"], manifests["defaultLocale"]
    package = {(m["PackageIdentifier"], m["PackageVersion"]) for m in manifests.values()}
    if len(package) != 1:
        failures.append(f"the manifests name different packages or versions: {sorted(package)}")
    if version["DefaultLocale"] != locale["PackageLocale"]:
        failures.append("the default locale's manifest is not the one the version manifest names")
    for kind, manifest in manifests.items():
        expected = f"{manifest['PackageIdentifier']}." + {"version": "yaml", "installer": "installer.yaml",
                                                          "defaultLocale": f"locale.{locale['PackageLocale']}.yaml"}[kind]
        if not os.path.exists(os.path.join(folder, expected)):
            failures.append(f"the {kind} manifest is not named {expected}")
    if "--version" in options and version["PackageVersion"] != options["--version"]:
        failures.append(f"PackageVersion {version['PackageVersion']} is not the build's version {options['--version']}")

    installer = installers["Installers"][0]
    if installer["InstallerSha256"].lower() != hashlib.sha256(open(zip_path, "rb").read()).hexdigest():
        failures.append("InstallerSha256 is not the zip's")
    nested = [f["RelativeFilePath"] for f in installer.get("NestedInstallerFiles", [])]
    if nested != ["Glowset.exe"] or "Glowset.exe" not in zipfile.ZipFile(zip_path).namelist():
        failures.append(f"the nested installer is {nested}, not the zip's Glowset.exe")
    codes = {c["InstallerReturnCode"]: c["ReturnResponse"] for c in installer.get("ExpectedReturnCodes", [])}
    header = open(f"{root}/installer/exit_codes.h", encoding="utf-8").read()
    for name, response in [("kInstallInProgress", "installInProgress"), ("kInstalledAfterRestart", "rebootRequiredToFinish")]:
        code = int(re.search(name + r"\s*=\s*(\d+)", header).group(1))
        if codes.get(code) != response:
            failures.append(f"{name} ({code}) is not mapped to {response}")

    # Detection and upgrade read one entry: the package's name, version and publisher are the entry's.
    entries = installer.get("AppsAndFeaturesEntries", [])
    entry = entries[0] if len(entries) == 1 else {}
    package_side = {"ProductCode": locale["PackageName"], "DisplayName": locale["PackageName"],
                    "DisplayVersion": version["PackageVersion"], "Publisher": locale["Publisher"]}
    for field, value in package_side.items():
        if entry.get(field) != value:
            failures.append(f"AppsAndFeaturesEntries {field} {entry.get(field)!r} is not the package's {value!r}")

    if "--entry" in options:
        exported = open(options["--entry"], encoding="utf-16").read().replace("\r", "").splitlines()
        keys = [line[1:-1] for line in exported if line.startswith("[")]
        values = {}
        for line in exported:
            pair = re.fullmatch(r'"((?:[^"\\]|\\.)*)"="((?:[^"\\]|\\.)*)"', line)
            if pair:
                values[pair.group(1)] = re.sub(r"\\(.)", r"\1", pair.group(2))
        values["ProductCode"] = keys[0].rsplit("\\", 1)[-1] if keys else None
        for field in ("ProductCode", "DisplayName", "DisplayVersion", "Publisher"):
            if entry.get(field) != values.get(field):
                failures.append(f"the installer recorded {field} {values.get(field)!r}, the manifest says {entry.get(field)!r}")

for failure in failures:
    print("FAIL:", failure)
print(f"{folder}: {len(failures)} problems")
sys.exit(1 if failures else 0)
