#!/usr/bin/env python3
"""The release bundle's winget manifest: valid against the manifest schema, the zip's own SHA-256, the
installer inside it, and every code the installer returns for "try later" or "restart" mapped.
Usage: winget-manifest.py SOURCE_ROOT MANIFEST ZIP"""
import hashlib
import json
import re
import sys
import zipfile

import jsonschema
import yaml

root, manifest_path, zip_path = sys.argv[1:4]
manifest = yaml.safe_load(open(manifest_path, encoding="utf-8"))
schema = json.load(open(f"{root}/tests/winget-manifest.schema.json", encoding="utf-8"))
failures = [f"schema: {'/'.join(map(str, e.path))}: {e.message}"
            for e in jsonschema.Draft202012Validator(schema).iter_errors(manifest)]

installer = manifest["Installers"][0]
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

for failure in failures:
    print("FAIL:", failure)
print(f"{manifest_path}: {len(failures)} problems")
sys.exit(1 if failures else 0)
