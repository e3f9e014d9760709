#!/usr/bin/env python3
"""Makes the man page vendu.1 from vendu's own help, at build time.

help2man turns 'vendu --help' and 'vendu --version' into the page; each command's help
('vendu help COMMAND') becomes a subsection of a COMMANDS section, with its options as a
tagged list, and the environment variable that vendu reads gets a section of its own.
EXAMPLES are the command blocks of tools/vendu/README.md ("> vendu ARGS" and what it prints),
which scripts/doc-examples.py keeps true, and SEE ALSO names the tools beside it.

usage: make-man.py VENDU OUTPUT
"""
import os
import re
import subprocess
import sys
import tempfile

OPTION = re.compile(r"^ {2,6}(-\S, )?(--\S+)(?:  +(.*))?$")
COMMAND = re.compile(r"^(?P<indent>[ \t]*)> (?P<command>vendu(?: .*)?)$")
README = os.path.join(os.path.dirname(os.path.abspath(__file__)), "README.md")


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


def examples():
    """The README's command blocks, each a command and what it prints, as roff."""
    with open(README, encoding="utf-8") as f:
        lines = f.read().split("\n")
    out = ["The examples of vendu's README, run in a folder that holds the example notes file "
           "super.vendu:"]
    i = 0
    while i < len(lines):
        found = COMMAND.match(lines[i])
        i += 1
        if not found:
            continue
        indent = found.group("indent")
        block = ["$ " + found.group("command")]
        while (i < len(lines) and lines[i].strip() and lines[i].startswith(indent)
               and not COMMAND.match(lines[i])):
            block.append(lines[i][len(indent):])
            i += 1
        out += [".PP", ".nf", roff("\n".join(block)), ".fi"]
    return out


def main(argv):
    if len(argv) != 2:
        print("usage: make-man.py VENDU OUTPUT", file=sys.stderr)
        return 2
    vendu, output = os.path.abspath(argv[0]), argv[1]
    include = ["[COMMANDS]"] + [command_section(vendu, name) for name in commands(vendu)]
    include += ["[ENVIRONMENT]", ".TP", ".B NO_COLOR",
                "When set and not empty, search marks no keyword unless \\fB\\-\\-color=always"
                "\\fR is given."]
    include += ["[EXAMPLES]"] + examples()
    include += ["[SEE ALSO]", ".BR grep (1),", ".BR rg (1),", ".BR jq (1);",
                "the completion of", ".BR bash (1),", ".BR zsh (1)", "and", ".BR fish (1)",
                "is installed with vendu."]
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
