#!/usr/bin/env python3
"""Makes the man page vendu.1 from vendu's own help, at build time.

help2man turns 'vendu --help' and 'vendu --version' into the page; each command's help
('vendu help COMMAND') becomes a subsection of a COMMANDS section, with its options as a
tagged list, and the environment variable that vendu reads gets a section of its own.

usage: make-man.py VENDU OUTPUT
"""
import os
import re
import subprocess
import sys
import tempfile

OPTION = re.compile(r"^ {2,6}(-\S, )?(--\S+)(?:  +(.*))?$")


def help_of(vendu, *args):
    return subprocess.run([vendu, *args], check=True, capture_output=True,
                          env=dict(os.environ, LC_ALL="C.UTF-8")).stdout.decode("utf-8")


def roff(text):
    """Plain text as roff: backslashes and hyphens escaped, no line taken as a request."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\n".join("\\&" + line if line[:1] in (".", "'") else line
                     for line in text.split("\n"))


def commands(vendu):
    listed = help_of(vendu, "--help").split("\nCommands:\n")[1].split("\n\n")[0]
    return [line.split()[0] for line in listed.splitlines() if line.split()[0] != "help"]


def command_section(vendu, name):
    """One command's help as a subsection: usage as its title, then paragraphs, the options
    as a tagged list and the exit status."""
    blocks = help_of(vendu, "help", name).rstrip("\n").split("\n\n")
    head = blocks[0].splitlines()
    usage = " ".join(line.strip() for line in head if not line[:1].isalpha()
                     or line.startswith("Usage:"))[len("Usage: "):]
    summary = [line for line in head if line[:1].isalpha() and not line.startswith("Usage:")]
    out = [f'.SS "{roff(usage)}"', roff(" ".join(summary))]
    for block in blocks[1:]:
        lines = block.splitlines()
        if lines[0] == "Options:":
            for line in lines[1:]:
                found = OPTION.match(line)
                if found:
                    short, long, text = found.groups()
                    out += [".TP", "\\fB" + roff((short or "") + long) + "\\fR"]
                    if text:
                        out.append(roff(text))
                else:
                    out.append(roff(line.strip()))
            continue
        out.append(".PP")
        if any(line.startswith(" ") for line in lines):
            # A table of codes: kept as laid out.
            out += [".nf", roff(block), ".fi"]
        else:
            out.append(roff(block))
    return "\n".join(out)


def main(argv):
    if len(argv) != 2:
        print("usage: make-man.py VENDU OUTPUT", file=sys.stderr)
        return 2
    vendu, output = os.path.abspath(argv[0]), argv[1]
    include = ["[COMMANDS]"] + [command_section(vendu, name) for name in commands(vendu)]
    include += ["[ENVIRONMENT]", ".TP", ".B NO_COLOR",
                "When set and not empty, search marks no keyword unless \\fB\\-\\-color=always"
                "\\fR is given."]
    with tempfile.NamedTemporaryFile("w", suffix=".h2m", encoding="utf-8", delete=False) as f:
        f.write("\n".join(include) + "\n")
        name = f.name
    try:
        subprocess.run(["help2man", "--no-info", "--locale", "C.UTF-8", "--include", name, "--output", output,
                        "--name", "check, search and edit question-and-answer entry files",
                        vendu], check=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
    finally:
        os.remove(name)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
