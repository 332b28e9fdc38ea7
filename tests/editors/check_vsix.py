#!/usr/bin/env python3
"""The packed editor support holds the extension's files as committed, at the project's version,
and nothing else (no npm packages, no tests):  check_vsix.py VSIX EXTENSION_DIR VERSION"""
import json
import sys
import zipfile
from pathlib import Path

SHIPPED = ["extension.js", "language-configuration.json", "syntaxes/scn.tmLanguage.json", "package.json"]


def main(vsix, extension_dir, version):
    problems = []
    with zipfile.ZipFile(vsix) as archive:
        names = set(archive.namelist())
        for name in SHIPPED:
            entry = "extension/" + name
            if entry not in names:
                problems.append("%s is missing" % entry)
            elif name != "package.json" and archive.read(entry) != (Path(extension_dir) / name).read_bytes():
                problems.append("%s differs from the committed file" % entry)
        manifest = json.loads(archive.read("extension/package.json")) if "extension/package.json" in names else {}
        extra = sorted(n for n in names if n.startswith("extension/node_modules/") or "test" in n)
    if manifest.get("version") != version:
        problems.append("version %s, the project's is %s" % (manifest.get("version"), version))
    problems += ["%s should not be packed" % n for n in extra]
    for problem in problems:
        print("%s: %s" % (vsix, problem))
    print("%s: %d files, %s" % (vsix, len(names), "%d problems" % len(problems) if problems else "as committed"))
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
