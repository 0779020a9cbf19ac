#!/usr/bin/env python3
"""Checks the tables of model/PovReservedWords.cpp against the installed
`povray` and its standard include files.

A POV-Ray text from a model file may call a name only when that name is one of
POV-Ray's own words, so every reserved word of the tables must really be
reserved: a word in the table that is not could be the name of a macro. For
each word a scene "#declare WORD = 1;" is parsed; POV-Ray refuses it with
"Expected 'undeclared identifier'" for a reserved word and renders it for any
other. Before the words, a known keyword and a known non-keyword are judged,
so that a povray that cannot run, or answers otherwise, is a fault and not a
table of reserved words. Then no macro or function declared in the standard
include files ("#macro NAME(", "#declare NAME = function") may be among the
reserved words, the table of macros must list exactly the macros those files
declare, and the list of their names that the tests read (tests/data/readers/
pov_include_names.txt) must be the names they declare. The table of POV-Ray's
own file names must hold every file of the include folder, and beside them
only povray.ini and the include files they name that the folder lacks.
The table of textures must list exactly the names that the include files a
custom material reads (the material include's list and the files they
include) declare as a texture, pigment, normal or finish ("#declare NAME =
texture", ...), or as another such name: POV-Ray must read every one of them
in "material{texture{NAME}}" after those includes, and must refuse there
every other name declared as a name (no reserved word), which could be one
by a form the scan misses, and the first name each other keyword declares;
the tests' list names them too.

Usage: check-pov-reserved-words.py [--candidates FILE] [--includes DIR]
                                   [--write-include-names]
  --candidates FILE      test the words of FILE (one a line) instead of the
                         tables and print the reserved ones, one a line (to
                         build the table)
  --includes DIR         the standard include folder (default
                         /usr/share/povray-3.7/include)
  --write-include-names  write the tests' list of include names and stop
A povray run takes about half a second, most of it waiting rather than
working, so RUNS_PER_JOB runs go on at once for each of MIRELAN_JOBS (default
3): the whole table takes about half a minute on two. Exits 1 on a fault, 2
when povray cannot judge a word.
"""
import argparse
import concurrent.futures
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TABLE = os.path.join(ROOT, "model", "PovReservedWords.cpp")
NAMES = os.path.join(ROOT, "tests", "data", "readers", "pov_include_names.txt")
RESERVED_TABLES = ("ReservedWords", "FileWords")
MACRO_TABLE = "IncludeMacros"
FILE_TABLE = "OwnFileNames"
TEXTURE_TABLE = "IncludeTextures"
# The include files the POV-Ray material include reads once a material has a
# custom text, in its order.
# What POV-Ray reads where a texture's name stands ("texture{NAME}"): the
# name of a texture, or of a pigment, normal or finish, which make one.
TEXTURE_KINDS = ("texture", "pigment", "normal", "finish")
MATERIAL_INCLUDES = ("stdinc.inc", "textures.inc", "stones.inc", "metals.inc", "finish.inc", "golds.inc",
                     "stars.inc", "woods.inc", "skies.inc", "glass.inc")
# The standard include files that the scenes the program writes name: the
# material include's list with custom materials, the scene's (a part of it)
# and the radiosity settings.
SCENE_INCLUDES = MATERIAL_INCLUDES + ("rad_def.inc",)
SCENE_TABLE = "SceneIncludeNames"
RUNS_PER_JOB = 8
KNOWN_KEYWORD = "sphere"
KNOWN_NAME = "Mirelan_Not_A_Keyword"


class CannotJudge(Exception):
    pass


def tables(path):
    """The quoted words of each named array of the table's source file."""
    text = open(path, encoding="ascii").read()
    return {name: re.findall(r'"([^"]*)"', body)
            for name, body in re.findall(r"(\w+)\[\]\s*=\s*\{(.*?)\};", text, re.S)}


def parse(scene_text, name, folder):
    """povray's exit status, its words on one line and as said, for a scene."""
    scene = os.path.join(folder, name + ".pov")
    with open(scene, "w", encoding="ascii") as f:
        f.write(scene_text)
    try:
        # No settings of the user's: no $POVINI, and the folder as home,
        # where povray looks for the user's settings file.
        env = {k: v for k, v in os.environ.items() if k != "POVINI"}
        env["HOME"] = folder
        run = subprocess.run(["povray", "+I" + scene, "-D", "-V", "+W8", "+H8", "-F"], cwd=folder, env=env,
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             timeout=60)
    except (OSError, subprocess.TimeoutExpired) as e:
        raise CannotJudge("povray does not run: %s" % e)
    said = run.stdout.decode("latin-1")
    return run.returncode, re.sub(r"\s+", " ", said), said  # POV-Ray wraps its lines


def is_reserved(word, folder):
    """True when povray refuses to declare the word, False when it takes it;
    CannotJudge when it answers anything else."""
    status, flat, said = parse("#version 3.7;\n#declare %s = 1;\n" % word, word, folder)
    if status == 0 and not re.search(r"line \d+: Parse Error", flat):
        return False
    if status != 0 and "line 2: Parse Error: Expected 'undeclared identifier'" in flat:
        return True
    raise CannotJudge("povray answered %d for '%s':\n%s" % (status, word, said[-2000:]))


def are_textures(names, folder):
    """True when povray reads every name as a texture after the material
    include's includes, False when it stops at one of them; CannotJudge when
    it answers anything else."""
    head = ["#version 3.7;"] + ['#include "%s"' % f for f in MATERIAL_INCLUDES]
    probes = ["#declare Mirelan_Probe_%d = material{texture{%s}}" % (i, n) for i, n in enumerate(names)]
    status, flat, said = parse("\n".join(head + probes) + "\n", "textures_" + names[0], folder)
    if status == 0 and not re.search(r"line \d+: Parse Error", flat):
        return True
    where = re.search(r"File '[^']*\.pov' line (\d+): Parse Error", flat)
    if status != 0 and where and int(where.group(1)) > len(head):
        return False
    raise CannotJudge("povray answered %d for the textures from '%s':\n%s" % (status, names[0], said[-2000:]))


def check_words(words, jobs):
    """The words that povray takes as reserved, in the order given; first a
    known keyword and a known non-keyword must be judged as they are."""
    with tempfile.TemporaryDirectory() as folder:
        if not is_reserved(KNOWN_KEYWORD, folder) or is_reserved(KNOWN_NAME, folder):
            raise CannotJudge("povray does not tell '%s' from '%s'" % (KNOWN_KEYWORD, KNOWN_NAME))
        with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
            results = list(pool.map(lambda w: is_reserved(w, folder), words))
    return [w for w, r in zip(words, results) if r]


def include_names(folder):
    """(kind, name, file) of the macros and functions the standard include
    files declare, the first declaration of each name."""
    names = {}
    pattern = re.compile(r"#\s*macro\s+([A-Za-z_]\w*)\s*\(|#\s*(?:declare|local)\s+([A-Za-z_]\w*)\s*=\s*function\b")
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".inc"):
            continue
        text = open(os.path.join(folder, name), encoding="latin-1").read()
        for m in pattern.finditer(text):
            kind = "macro" if m.group(1) else "function"
            names.setdefault(m.group(1) or m.group(2), (kind, name))
    return [(kind, n, f) for n, (kind, f) in sorted(names.items())]


def without_comments(text):
    """The text with its comments blanked; strings are kept whole."""
    out, i, n = [], 0, len(text)
    while i < n:
        if text.startswith("//", i):
            while i < n and text[i] not in "\r\n":
                i += 1
        elif text.startswith("/*", i):
            depth, i = 1, i + 2
            while i < n and depth:
                if text.startswith("/*", i):
                    depth, i = depth + 1, i + 2
                elif text.startswith("*/", i):
                    depth, i = depth - 1, i + 2
                else:
                    i += 1
            out.append(" ")
        elif text[i] == '"':
            j = i + 1
            while j < n and text[j] != '"':
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def include_textures(folder, reserved):
    """(textures, others): the (name, file) of every name that the material
    include's include files and the files they include declare as something
    POV-Ray reads as a texture's (a texture, pigment, normal or finish, or
    another such name); and the names to judge the rest by: every other name
    declared as a name that is no reserved word, and the first name declared
    by each other reserved word."""
    read, queue, texts = [], list(MATERIAL_INCLUDES), {}
    while queue:
        name = queue.pop(0)
        path = os.path.join(folder, name)
        if name in read or not os.path.isfile(path):
            continue
        read.append(name)
        texts[name] = without_comments(open(path, encoding="latin-1").read())
        queue += re.findall(r'#\s*include\s+"([^"/]+)"', texts[name])
    declaration = re.compile(r"#\s*declare\s+([A-Za-z_]\w*)\s*=\s*([A-Za-z_]\w*)")
    textures, aliases, kinds = {}, [], {}
    for name in read:
        for m in declaration.finditer(texts[name]):
            if m.group(2) in TEXTURE_KINDS:
                textures.setdefault(m.group(1), name)
            elif m.group(2) not in reserved:
                aliases.append((m.group(1), m.group(2), name))
            else:
                kinds.setdefault(m.group(2), m.group(1))
    grown = True
    while grown:
        grown = False
        for n, target, name in aliases:
            if target in textures and n not in textures:
                textures[n] = name
                grown = True
    others = {n for n, target, name in aliases if n not in textures} | set(kinds.values())
    return sorted(textures.items()), sorted(others - set(textures))


def own_file_names(folder):
    """The lower-case names of the include folder's files, of the include
    files they name, and povray.ini."""
    files = os.listdir(folder)
    named = set()
    for name in files:
        if name.endswith(".inc"):
            text = open(os.path.join(folder, name), encoding="latin-1").read()
            named.update(re.findall(r'#\s*include\s+"([^"/]+)"', text))
    return sorted({n.lower() for n in files} | {n.lower() for n in named if n.endswith(".inc")} | {"povray.ini"})


def scene_include_names(folder):
    """The lower-case names of the include files the program's scenes name
    and of every file of the include folder that those name in turn."""
    read, queue = set(), list(SCENE_INCLUDES)
    while queue:
        name = queue.pop(0)
        path = os.path.join(folder, name)
        if name.lower() in read or not os.path.isfile(path):
            continue
        read.add(name.lower())
        queue += re.findall(r'#\s*include\s+"([^"/]+)"', open(path, encoding="latin-1").read())
    return sorted(read)


def names_text(names, textures):
    return ("# The macros and functions that POV-Ray 3.7's standard include files declare, and the textures that\n"
            "# the include files of a custom material declare: kind, name, file.\n"
            "# Written by scripts/check-pov-reserved-words.py --write-include-names.\n" +
            "".join("%s %s %s\n" % n for n in names) + "".join("texture %s %s\n" % t for t in textures))


def check_textures(table, textures, others, jobs):
    """The faults of the texture table: it must be the textures the include
    files declare, povray must read each as a texture and none of the other
    names given."""
    faults = ["texture missing from the table: " + n for n in sorted(set(textures) - set(table))]
    faults += ["no texture of the include files: " + n for n in sorted(set(table) - set(textures))]
    with tempfile.TemporaryDirectory() as folder:
        if table and not are_textures(table, folder):
            with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
                read = list(pool.map(lambda n: are_textures([n], folder), table))
            faults += ["povray reads no texture: " + n for n, r in zip(table, read) if not r]
        with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
            read = list(pool.map(lambda n: are_textures([n], folder), others))
        faults += ["povray reads a texture the table lacks: " + n for n, r in zip(others, read) if r]
    return faults


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--candidates")
    parser.add_argument("--includes", default="/usr/share/povray-3.7/include")
    parser.add_argument("--write-include-names", action="store_true")
    args = parser.parse_args()
    jobs = int(os.environ.get("MIRELAN_JOBS", "3")) * RUNS_PER_JOB
    declared = include_names(args.includes)
    found = tables(TABLE)
    textures, others = include_textures(args.includes, set(found["ReservedWords"]))
    if args.write_include_names:
        with open(NAMES, "w", encoding="ascii") as f:
            f.write(names_text(declared, textures))
        return 0
    try:
        if args.candidates:
            words = [w.strip() for w in open(args.candidates, encoding="ascii") if w.strip()]
            for w in check_words(words, jobs):
                print(w)
            return 0
        words = [w for t in RESERVED_TABLES for w in found[t]]
        reserved = set(check_words(words, jobs))
        texture_faults = check_textures(found[TEXTURE_TABLE], [n for n, f in textures], others, jobs)
    except CannotJudge as e:
        print(e)
        return 2
    faults = len(texture_faults)
    for line in texture_faults:
        print(line)
    for w in words:
        if w not in reserved:
            print("not reserved: " + w)
            faults += 1
    by_name = {n: (kind, f) for kind, n, f in declared}
    for w in words:
        if w in by_name:
            print("declared in %s: %s" % (by_name[w][1], w))
            faults += 1
    macros = {n for kind, n, f in declared if kind == "macro"}
    table = set(found[MACRO_TABLE])
    for w in sorted(macros - table):
        print("macro missing from the table: " + w)
        faults += 1
    for w in sorted(table - macros):
        print("no macro of the include files: " + w)
        faults += 1
    own = own_file_names(args.includes)
    if found[FILE_TABLE] != own:
        print("the table of POV-Ray's own file names differs from the include folder: %s"
              % sorted(set(found[FILE_TABLE]) ^ set(own)))
        faults += 1
    scene = scene_include_names(args.includes)
    if found[SCENE_TABLE] != scene or not set(scene) <= set(found[FILE_TABLE]):
        print("the table of the include files the scenes read differs from the include folder: %s"
              % sorted(set(found[SCENE_TABLE]) ^ set(scene)))
        faults += 1
    if open(NAMES, encoding="ascii").read() != names_text(declared, textures):
        print("the tests' list of include names differs from the include files: run with --write-include-names")
        faults += 1
    print("%d words, %d macros, %d include names, %d textures, %d faults"
          % (len(words), len(table), len(declared), len(textures), faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
