#!/usr/bin/env python3
"""Keeps the examples in the user documents true to the shipped examples/super.vendu.

Two kinds of example are checked in README.md, docs/guide.txt and tools/vendu/README.md:

- A command block: an indented line "> vendu ARGS" and the lines below it with the same
  indentation, up to a blank or less indented line, are what vendu prints. The command is
  run with the real vendu in a folder that holds a copy of super.vendu and nothing else
  (its standard output, then its standard error) and must print exactly those lines.
- A part made from vendu's help: the lines between "<!-- vendu: command table -->" (or
  "<!-- vendu: exit status -->", "<!-- vendu: help COMMAND -->") and "<!-- end -->" are the
  table of the commands, their usage, what each does and its exit statuses (or the exit
  statuses of vendu, or a command's help as a code block) as 'vendu --help' and
  'vendu help COMMAND' print them.
- The conventions table: between "<!-- vendu: conventions -->" and "<!-- end -->", every row
  whose vendu column claims something names in its last column the commands that show it
  (`vendu ...`, "COMMAND" standing for each command, "< FILE" for standard input, "exits N"
  for the status; 0 otherwise). Each runs in a folder of its own with a copy of super.vendu
  and must give its status.
- The guide lists every command of vendu, in each of its two languages.
- A caption in the text: "搜索：N条结果" must give super.vendu's entry count,
  "【KEYWORD】共用N条搜索结果" the number of entries the program finds for KEYWORD, and
  "【KEYWORD】无搜索结果" a keyword it finds nothing for.

usage: doc-examples.py [--update] VENDU
Without --update it prints every difference and exits with 1 when there is one; with
--update it writes the command blocks and caption counts anew.
"""
import difflib
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
GUIDE = "docs/guide.txt"
DOCUMENTS = ["README.md", GUIDE, "tools/vendu/README.md"]
EXAMPLE = os.path.join(ROOT, "examples", "super.vendu")

COMMAND = re.compile(r"^(?P<indent>[ \t]*)> (?P<command>vendu(?: .*)?)$")
COUNT_CAPTION = re.compile(r"搜索：(\d+)条结果")
TABLE = re.compile(r"^<!-- vendu: (command table|exit status|help [a-z]+) -->$")
TABLE_END = "<!-- end -->"
CONVENTIONS = "<!-- vendu: conventions -->"
CHECK = re.compile(r"`((?:[A-Z_]+=\S* )*vendu(?: [^`]*)?)`(?: exits (\d))?")
MATCH_CAPTION = re.compile(r"【([^】\n]*)】共用(\d+)条搜索结果")
NO_MATCH_CAPTION = re.compile(r"【([^】\n]*)】无搜索结果")


class Vendu:
    def __init__(self, program, folder):
        self.program = program
        self.folder = folder

    def run(self, args):
        # The terminal of the examples speaks UTF-8, as the documents do.
        env = dict(os.environ, LC_ALL="C.UTF-8")
        done = subprocess.run([self.program] + args, cwd=self.folder, env=env,
                              capture_output=True, timeout=60)
        return (done.stdout + done.stderr).decode("utf-8").splitlines()

    def status(self, words):
        """The exit status of a command line ("NAME=VALUE ... vendu ARGS [< FILE]") run in a
        folder of its own with a copy of super.vendu."""
        env = dict(os.environ, LC_ALL="C.UTF-8")
        while "=" in words[0]:
            name, _, value = words.pop(0).partition("=")
            env[name] = value
        stdin = None
        if len(words) > 2 and words[-2] == "<":
            stdin = words[-1]
            words = words[:-2]
        with tempfile.TemporaryDirectory() as folder:
            shutil.copy(EXAMPLE, os.path.join(folder, "super.vendu"))
            data = b""
            if stdin:
                with open(os.path.join(folder, stdin), "rb") as f:
                    data = f.read()
            return subprocess.run([self.program] + words[1:], cwd=folder, env=env, input=data,
                                  capture_output=True, timeout=60).returncode

    def count(self, keyword):
        return int(self.run(["search", "--count", "super.vendu", keyword])[0])


def command_blocks(lines, vendu):
    """The lines with every command block's output replaced by what vendu prints."""
    out = []
    i = 0
    while i < len(lines):
        line = lines[i]
        out.append(line)
        i += 1
        found = COMMAND.match(line)
        if not found:
            continue
        indent = found.group("indent")
        while (i < len(lines) and lines[i].strip() and lines[i].startswith(indent)
               and not COMMAND.match(lines[i])):
            i += 1
        args = shlex.split(found.group("command"))[1:]
        out.extend(indent + printed for printed in vendu.run(args))
    return out


def help_section(text, heading):
    """The lines under a heading ("Commands:") of a help text, up to the next blank line."""
    return text.split(f"\n{heading}:\n")[1].split("\n\n")[0].splitlines()


def cell(text):
    return text.replace("|", "\\|")


def command_table(vendu):
    rows = ["| Command | What it does | Exit status |", "|---|---|---|"]
    for line in help_section("\n".join(vendu.run(["--help"])), "Commands"):
        name = line.split()[0]
        if name == "help":
            continue
        lines = vendu.run(["help", name])
        head = lines[:lines.index("")]
        usage = " ".join(l.strip() for l in head if not l[:1].isalpha() or l.startswith("Usage:"))
        summary = " ".join(l for l in head if l[:1].isalpha() and not l.startswith("Usage:"))
        # The exit status is the help's last paragraph.
        last = next(k for k, l in enumerate(lines) if l.startswith("Exit status:"))
        status = " ".join(" ".join(lines[last:]).split())
        rows.append(f"| `{cell(usage[len('Usage: '):])}` | {cell(summary)} | "
                    f"{cell(status[len('Exit status: '):].strip())} |")
    return rows


def exit_status_table(vendu):
    rows = ["| Status | Meaning |", "|---|---|"]
    for line in help_section("\n".join(vendu.run(["--help"])) + "\n", "Exit status"):
        code, _, meaning = line.strip().partition("  ")
        if line.startswith("     "):
            rows[-1] = rows[-1][:-2] + " " + line.strip() + " |"
        else:
            rows.append(f"| {code} | {cell(meaning.strip())} |")
    return rows


def tables(lines, vendu):
    """The lines with every generated table made anew from vendu's help."""
    out = []
    i = 0
    while i < len(lines):
        out.append(lines[i])
        found = TABLE.match(lines[i])
        i += 1
        if not found:
            continue
        while i < len(lines) and lines[i] != TABLE_END:
            i += 1
        what = found.group(1)
        if what == "command table":
            out += command_table(vendu)
        elif what == "exit status":
            out += exit_status_table(vendu)
        else:
            out += ["```"] + vendu.run(what.split()) + ["```"]
    return out


def conventions(lines, vendu, problems, where):
    """Runs the commands of the conventions table; what does not hold goes to problems."""
    if CONVENTIONS not in lines:
        return
    rows = lines[lines.index(CONVENTIONS) + 1:]
    rows = rows[:rows.index(TABLE_END)]
    commands = help_section("\n".join(vendu.run(["--help"])), "Commands")
    commands = [line.split()[0] for line in commands]
    for row in rows[2:]:
        cells = [c.strip() for c in re.split(r"(?<!\\)\|", row)[1:-1]]
        checks = CHECK.findall(cells[-1])
        if cells[1] in ("—", "no"):
            continue
        if not checks:
            problems.append(f"{where}: the convention \"{cells[0]}\" names no command")
        for line, status in checks:
            for name in commands if "COMMAND" in line else [None]:
                words = shlex.split(line.replace("COMMAND", name) if name else line)
                got = vendu.status(words)
                if got != int(status or 0):
                    problems.append(f"{where}: \"{cells[0]}\": {' '.join(words)} exits {got}, "
                                    f"not {status or 0}")


def captions(text, vendu, problems, where):
    """The text with caption counts made true; what cannot be made true goes to problems."""
    entries = vendu.count("")
    text = COUNT_CAPTION.sub(f"搜索：{entries}条结果", text)

    def match(found):
        keyword = found.group(1)
        count = vendu.count(keyword)
        if count == 0:
            problems.append(f"{where}: 【{keyword}】 finds nothing in super.vendu")
            return found.group(0)
        return f"【{keyword}】共用{count}条搜索结果"

    def no_match(found):
        keyword = found.group(1)
        count = vendu.count(keyword)
        if count:
            problems.append(f"{where}: 【{keyword}】 finds {count} entries in super.vendu")
        return found.group(0)

    text = MATCH_CAPTION.sub(match, text)
    NO_MATCH_CAPTION.sub(no_match, text)
    return text


def main(argv):
    update = "--update" in argv
    args = [a for a in argv if a != "--update"]
    if len(args) != 1:
        print("usage: doc-examples.py [--update] VENDU", file=sys.stderr)
        return 2
    program = os.path.abspath(args[0])
    problems = []
    differ = False
    with tempfile.TemporaryDirectory() as folder:
        shutil.copy(EXAMPLE, os.path.join(folder, "super.vendu"))
        vendu = Vendu(program, folder)
        for name in DOCUMENTS:
            path = os.path.join(ROOT, name)
            with open(path, encoding="utf-8", newline="") as f:
                text = f.read()
            lines = text.split("\n")
            conventions(lines, vendu, problems, name)
            if name == GUIDE:
                commands = help_section("\n".join(vendu.run(["--help"])), "Commands")
                # Both languages' sections list every command.
                problems += [f"{name}: lists vendu {c} less than twice" for c in
                             (line.split()[0] for line in commands if line.split()[0] != "help")
                             if len(re.findall(rf"\bvendu {c}\b", text)) < 2]
            made = "\n".join(tables(command_blocks(lines, vendu), vendu))
            made = captions(made, vendu, problems, name)
            if made == text:
                continue
            differ = True
            if update:
                with open(path, "w", encoding="utf-8", newline="") as f:
                    f.write(made)
                print(f"doc-examples: rewrote {name}")
            else:
                sys.stdout.writelines(difflib.unified_diff(
                    text.splitlines(True), made.splitlines(True),
                    f"{name} (as written)", f"{name} (as vendu prints it)"))
    for problem in problems:
        print(f"doc-examples: {problem}")
    if problems or (differ and not update):
        if differ and not update:
            print("doc-examples: the examples differ from what super.vendu gives; "
                  "scripts/doc-examples.py --update VENDU writes them anew")
        return 1
    print(f"doc-examples: the examples of {', '.join(DOCUMENTS)} match super.vendu")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
