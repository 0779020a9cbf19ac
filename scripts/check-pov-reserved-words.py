#!/usr/bin/env python3
"""Checks the table of POV-Ray's reserved words (readers/PovReservedWords.cpp)
against the installed `povray` and its standard include files.

A POV-Ray text from a model file may call a name only when that name is one of
POV-Ray's own words, so every word of the table must really be reserved: a word
in the table that is not could be the name of a macro. For each word a scene
"#declare WORD = 1;" is parsed; it fails for a reserved word. Then no macro or
function declared in the standard include files ("#macro NAME(",
"#declare NAME = function") may be in the table.

Usage: check-pov-reserved-words.py [--candidates FILE] [--includes DIR]
  --candidates FILE  test the words of FILE (one a line) instead of the table
                     and print the reserved ones, one a line (to build the table)
  --includes DIR     the standard include folder (default
                     /usr/share/povray-3.7/include)
MIRELAN_JOBS limits the parallel povray runs (default 3). A run takes about
half a second, so the whole table takes a minute or two. Exits 1 on a fault.
"""
import argparse
import concurrent.futures
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TABLE = os.path.join(ROOT, "readers", "PovReservedWords.cpp")


def table_words(path):
    """The quoted words of the arrays in the table's source file."""
    text = open(path, encoding="ascii").read()
    words = []
    for body in re.findall(r"\[\]\s*=\s*\{(.*?)\};", text, re.S):
        words += re.findall(r'"([^"]*)"', body)
    return words


def is_reserved(word, folder):
    scene = os.path.join(folder, word + ".pov")
    with open(scene, "w", encoding="ascii") as f:
        f.write("#version 3.7;\n#declare %s = 1;\n" % word)
    run = subprocess.run(["povray", "+I" + scene, "-D", "-V", "+W8", "+H8", "-F", "-GA"],
                         cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return run.returncode != 0


def check_words(words, jobs):
    """The words that povray takes as reserved, in the order given."""
    with tempfile.TemporaryDirectory() as folder:
        with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
            results = list(pool.map(lambda w: is_reserved(w, folder), words))
    return [w for w, r in zip(words, results) if r]


def include_names(folder):
    """Macro and function names declared in the standard include files."""
    names = {}
    pattern = re.compile(r"#\s*macro\s+([A-Za-z_]\w*)\s*\(|#\s*(?:declare|local)\s+([A-Za-z_]\w*)\s*=\s*function\b")
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".inc"):
            continue
        text = open(os.path.join(folder, name), encoding="latin-1").read()
        for m in pattern.finditer(text):
            names.setdefault(m.group(1) or m.group(2), name)
    return names


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--candidates")
    parser.add_argument("--includes", default="/usr/share/povray-3.7/include")
    args = parser.parse_args()
    jobs = int(os.environ.get("MIRELAN_JOBS", "3"))
    if args.candidates:
        words = [w.strip() for w in open(args.candidates, encoding="ascii") if w.strip()]
        for w in check_words(words, jobs):
            print(w)
        return 0
    words = table_words(TABLE)
    faults = 0
    reserved = set(check_words(words, jobs))
    for w in words:
        if w not in reserved:
            print("not reserved: " + w)
            faults += 1
    declared = include_names(args.includes)
    for w in words:
        if w in declared:
            print("declared in %s: %s" % (declared[w], w))
            faults += 1
    print("%d words, %d include names, %d faults" % (len(words), len(declared), faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
