#!/usr/bin/env python3
"""Checks the layering of the sources against docs/ARCHITECTURE.md.

Fails (exit 1) on:
- an #include "..." of a folder that the including folder may not include (the table
  "Which folder may include which" of docs/ARCHITECTURE.md);
- <windows.h> in a portable folder outside a *_win32.cpp file;
- a source file in no folder of the table (outside tests/, fuzz/ and bench/);
- a product source file of 500 lines or more.
Prints one line per fault and a summary line.
"""
import argparse
import pathlib
import re
import subprocess
import sys

MAX_LINES = 500
SOURCE_SUFFIXES = {".h", ".cpp", ".c", ".rc"}
FREE = ("tests/", "fuzz/", "bench/")  # may include anything; not product files
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
TABLE_ROW = re.compile(r"^\|\s*`([^`]+/)`\s*\|\s*([^|]*)\|\s*([^|]*)\|\s*$")


def read_rules(doc):
    """{folder: (allowed folders, portable)} from the table of the architecture document."""
    rules = {}
    in_table = False
    for line in doc.read_text(encoding="utf-8").splitlines():
        if line.startswith("## "):
            in_table = line.strip() == "## Which folder may include which"
            continue
        match = TABLE_ROW.match(line) if in_table else None
        if match:
            folder, allowed, portable = match.groups()
            rules[folder] = (set(re.findall(r"`([^`]+/)`", allowed)), portable.strip() == "yes")
    if not rules:
        sys.exit(f"check-layers: no table 'Which folder may include which' in {doc}")
    return rules


def folder_of(path, rules):
    """The longest folder of the table that holds path, or None."""
    best = None
    for folder in rules:
        if path.startswith(folder) and (best is None or len(folder) > len(best)):
            best = folder
    return best


def source_files(root):
    try:
        listed = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"],
                                cwd=root, capture_output=True, text=True, check=True).stdout
        names = listed.splitlines()
    except (OSError, subprocess.CalledProcessError):
        names = [str(p.relative_to(root)) for p in root.rglob("*") if p.is_file()]
    return sorted(n for n in names
                  if pathlib.PurePosixPath(n).suffix in SOURCE_SUFFIXES and (root / n).is_file())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=pathlib.Path(__file__).resolve().parent.parent,
                        type=pathlib.Path, help="the tree to check (default: this repository)")
    root = parser.parse_args().root
    rules = read_rules(root / "docs" / "ARCHITECTURE.md")
    faults = []
    files = includes = 0
    for name in source_files(root):
        if name.startswith(FREE):
            continue
        own = folder_of(name, rules)
        if own is None:
            faults.append(f"{name}: in no folder of the layer table")
            continue
        files += 1
        allowed, portable = rules[own]
        lines = (root / name).read_text(encoding="utf-8", errors="replace").splitlines()
        if len(lines) >= MAX_LINES:
            faults.append(f"{name}: {len(lines)} lines (a product file stays under {MAX_LINES})")
        for number, line in enumerate(lines, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            kind, target = match.groups()
            if kind == "<":
                if portable and target.lower() == "windows.h" and not name.endswith("_win32.cpp"):
                    faults.append(f"{name}:{number}: <windows.h> in the portable {own}")
                continue
            includes += 1
            # A bare name is the including file's own folder (or a folder on the include path
            # of the same layer, such as res/ for the resource script).
            if "/" not in target:
                continue
            other = folder_of(target, rules)
            if other is None or other == own:
                continue
            if other not in allowed:
                faults.append(f"{name}:{number}: includes {target}, but {own} may not include "
                              f"{other}")
    for fault in faults:
        print(fault)
    print(f"layers: {files} product files, {includes} includes checked against "
          f"{len(rules)} folders; {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
