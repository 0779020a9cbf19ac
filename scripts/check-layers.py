#!/usr/bin/env python3
"""Keeps the folders in their layers: every #include of a project header must
come from a folder that the including folder may use, and the folders that run
without Qt include no Qt header.

Usage: check-layers.py [ROOT]   (ROOT defaults to the checkout)
Prints one line per wrong include and exits 1 when there is any.
"""
import os
import re
import sys

# The project folders each folder may include from (its own always allowed).
# The ground floor is platform/ with its graphics layer and that layer's Qt
# side: none of them includes the model or anything else above them. Model,
# options and the core stand on it; the windows stand on everything; nothing
# but the program includes app/.
CORE = ["platform", "platform/gfx", "options", "model"]
ALLOWED = {
    "platform": [],
    "platform/gfx": ["platform"],
    "options": ["platform"],
    "model": ["options", "platform"],
    "readers": ["model", "options", "platform"],
    "writers": ["model", "options", "platform"],
    "imageformats": ["platform", "platform/gfx"],
    "htmlviewer": ["platform", "platform/gfx", "imageformats", "model"],
    "platform/qt": ["platform", "platform/gfx"],
    "htmllistbox": ["platform", "platform/gfx", "platform/qt", "imageformats", "model"],
    "htmlviewer/widgets": ["platform", "platform/gfx", "platform/qt", "imageformats", "model", "htmlviewer"],
    "preview": CORE + ["imageformats", "platform/qt"],
    "ui/core": CORE + ["imageformats", "readers", "writers"],
    "ui/control": CORE + ["imageformats", "readers", "writers", "ui/core"],
    "ui/qt": CORE + ["imageformats", "platform/qt", "readers", "writers", "ui/core", "ui/control"],
    "ui/dialogs": CORE + ["imageformats", "platform/qt", "readers", "writers", "htmlviewer",
                          "htmlviewer/widgets", "ui/core", "ui/control", "ui/qt"],
    "ui/main": CORE + ["imageformats", "platform/qt", "readers", "writers", "preview", "htmllistbox",
                       "htmlviewer", "htmlviewer/widgets", "ui/core", "ui/control", "ui/qt", "ui/dialogs"],
    "app": None,  # the program: everything
}
# Folders that must build without Qt.
NO_QT = {"platform", "platform/gfx", "options", "model", "readers", "writers", "imageformats",
         "htmlviewer", "ui/core", "ui/control"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')


def project_folder(root, header):
    """The project folder a quoted include names, or None for another header."""
    folder = os.path.dirname(header)
    return folder if folder and os.path.isdir(os.path.join(root, folder)) else None


def is_qt(header):
    first = header.split("/")[0]
    return re.match(r"^Q[A-Z]", first) is not None or first.startswith("Qt")


def source_folders(root):
    """Every folder of the program that holds sources (not tests, benchmarks or builds)."""
    for base, dirs, files in os.walk(root):
        relative = os.path.relpath(base, root)
        top = relative.split(os.sep)[0]
        if top in ("tests", "bench", ".git") or top.startswith("build"):
            dirs[:] = []
            continue
        if relative != "." and any(f.endswith((".h", ".cpp", ".c")) for f in files):
            yield relative.replace(os.sep, "/")


def check(root):
    faults = [f"{folder}/: a source folder the layers do not list" for folder in source_folders(root)
              if folder not in ALLOWED]
    for folder, allowed in ALLOWED.items():
        path = os.path.join(root, folder)
        if not os.path.isdir(path):
            continue
        for name in sorted(os.listdir(path)):
            if not name.endswith((".h", ".cpp", ".c")):
                continue
            file = os.path.join(path, name)
            with open(file, encoding="utf-8", errors="replace") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    header = match.group(2)
                    where = f"{folder}/{name}:{number}"
                    if folder in NO_QT and is_qt(header):
                        faults.append(f"{where}: {folder}/ builds without Qt but includes <{header}>")
                        continue
                    used = project_folder(root, header) if match.group(1) == '"' else None
                    if used is None or used == folder or allowed is None:
                        continue
                    if used not in allowed:
                        faults.append(f"{where}: {folder}/ may not include {header}")
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    faults = check(os.path.abspath(root))
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) cross the layers")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
