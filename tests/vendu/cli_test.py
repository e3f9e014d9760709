#!/usr/bin/env python3
"""Drives the vendu binary as a user would and checks its output, exit status and files.

usage: cli_test.py --golden DIR [--group NAME] [--windows-subset] -- COMMAND...
COMMAND runs vendu (for the Windows build: the Wine runner followed by vendu.exe).

Every case runs natively. Each start of the Windows build under Wine costs a good part of a
second, so --windows-subset runs only the cases marked `windows`: those that go through what
the Windows build does its own way (the UTF-16 command line and its conversion to code page
936, text conversion on the standard streams, binary standard streams, the Win32 file
object). The rest is the same portable code in both builds, checked natively here and by the
unit tests in both builds.
"""
import argparse
import base64
import csv
import fcntl
import io
import json
import os
import random
import re
import resource
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unicodedata

Q = b"(%Q%)"
A = b"(%A%)"
EMPTY = "输入为空，请输入内容！"
MARKER = "错误输入，请修改内容！"

VENDU = []
TESTS = []
# Set from the command line: the LD_PRELOAD helper that holds vendu at a chosen moment
# (hold_at_call.c), whether vendu is built with the sanitizers, whether it is the Windows build.
OPTIONS = argparse.Namespace(hold_at_call=None, sanitized=False, windows_subset=False)


def test(group, portable=True, windows=False):
    """portable=False: needs POSIX (locks, file size limits). windows: also run under Wine."""
    def register(fn):
        TESTS.append((group, portable and windows, fn))
        return fn
    return register


def start(args, cwd, limit=None, memory=None, quiet_sigpipe=False, **popen):
    """limit: a file size limit, memory: an address space limit, both in bytes;
    quiet_sigpipe: the broken-pipe signal ignored, so writes to a closed pipe fail instead."""
    def prepare():
        if limit:
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
        if memory:
            resource.setrlimit(resource.RLIMIT_AS, (memory, memory))
        if quiet_sigpipe:
            signal.signal(signal.SIGPIPE, signal.SIG_IGN)
    return subprocess.Popen(VENDU + args, cwd=cwd, stdin=popen.pop("stdin", subprocess.PIPE),
                            stdout=popen.pop("stdout", subprocess.PIPE), stderr=subprocess.PIPE,
                            preexec_fn=prepare, **popen)


def run(args, cwd, stdin=b"", **options):
    p = start(args, cwd, **options)
    out, err = p.communicate(stdin, timeout=120)
    return p.returncode, out or b"", err.decode("utf-8", "replace")


def note(text):
    print("      note: " + text)


def expect(cond, what):
    if not cond:
        raise AssertionError(what)


def record(q, a):
    return b"\r\n" + Q + b"\r\n" + q + b"\r\n" + A + b"\r\n" + a


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


# ---------------------------------------------------------------- options and messages

VERSION = re.compile(r"^vendu \d+\.\d+\.\d+\n$")
USAGE_ERRORS = [  # arguments, what standard error begins with
    ([], "vendu: no command given\n"),
    (["frobnicate"], 'vendu: no command "frobnicate"\n'),
    (["--bogus"], "vendu: unknown option --bogus"),
    (["search", "--bogus", "s.vendu", "A"], "vendu search: unknown option --bogus\n"),
    (["search", "-cx", "s.vendu", "A"], "vendu search: unknown option -x\n"),
    (["search", "--c", "s.vendu", "A"], "vendu search: option --c is ambiguous (--count, --color, "
     "--caption)\n"),
    (["search", "--count=2", "s.vendu", "A"], "vendu search: option --count takes no value\n"),
    (["search", "s.vendu"], "vendu search: give a file and a keyword\n"),
    (["search", "--color=red", "s.vendu", "A"], "vendu search: --color takes auto, always or never\n"),
    (["check", "--wait", "soon", "s.vendu"], "vendu check: --wait takes a number of seconds"),
    (["check", "--format", "s.vendu"], "vendu check: no file given\n"),
    (["add", "s.vendu", "--answer", "a", "--question"], "vendu add: option --question needs a value\n"),
    (["show", "s.vendu", "0"], 'vendu show: the entry number is a whole number from 1, not "0"\n'),
    (["export", "s.vendu"], "vendu export: give an entry file and --format=csv, jsonl, html or md\n"),
]


def commands():
    """The commands that vendu --help lists."""
    rc, out, err = run(["--help"], ".")
    listed = out.decode("utf-8").split("\nCommands:\n")[1].split("\n\n")[0]
    return [line.split()[0] for line in listed.splitlines() if line.split()[0] != "help"]


def columns(line):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in line)


@test("options", windows=True)
def every_command_takes_help_and_version(tmp, golden):
    names = commands()
    expect({"check", "search", "show", "add", "export", "import"} <= set(names), names)
    for name in names:
        helps = [run(args, tmp) for args in ([name, "-h"], [name, "--help"], ["help", name])]
        expect(all(h == helps[0] for h in helps), f"{name}: the help differs by how it is asked")
        rc, out, err = helps[0]
        text = out.decode("utf-8")
        expect(rc == 0 and text.startswith(f"Usage: vendu {name} [OPTIONS]"), f"{name}: {rc} {err}")
        expect("\nExit status: 0 " in text, f"{name}: no exit status")
        wide = [line for line in text.splitlines() if columns(line) > 80]
        expect(not wide, f"{name}: lines wider than 80 columns: {wide}")
        for args in ([name, "-V"], [name, "--version"]):
            rc, out, err = run(args, tmp)
            expect(rc == 0 and VERSION.match(out.decode()), f"{args}: {rc} {out}")
    for args in (["-V"], ["--version"]):
        rc, out, err = run(args, tmp)
        expect(rc == 0 and VERSION.match(out.decode()), f"{args}: {rc} {out}")
    rc, out, err = run(["-h"], tmp)
    expect(rc == 0 and out.decode("utf-8").startswith("Usage: vendu COMMAND"), f"-h: {rc}")


@test("options", windows=True)
def usage_errors_exit_2_with_the_usage(tmp, golden):
    search_file(tmp)
    for args, message in USAGE_ERRORS:
        rc, out, err = run(args, tmp)
        expect(rc == 2 and out == b"" and err.startswith(message), f"{args}: {rc} {err}")
        who = " ".join(["vendu"] + args[:1]) if args and args[0] in commands() else "vendu"
        expect(f"\nUsage: {who} " in err, f"{args}: no usage line: {err}")


@test("options", windows=True)
def messages_name_the_command_and_the_file(tmp, golden):
    write(os.path.join(tmp, "t.vendu"), b"")
    write(os.path.join(tmp, "in.csv"), b'"q",""\r\n')
    cases = [  # arguments, exit status, a line of standard error
        (["check", "nope.vendu"], 2, "vendu check: nope.vendu: no such file"),
        (["search", "nope.vendu", "k"], 2, "vendu search: nope.vendu: no such file"),
        (["show", "nope.vendu", "1"], 2, "vendu show: nope.vendu: no such file"),
        (["export", "nope.vendu", "--format=csv"], 2, "vendu export: nope.vendu: no such file"),
        (["add", "nope.vendu", "--question", "q", "--answer", "a"], 2,
         "vendu add: nope.vendu: no such file"),
        (["add", "t.vendu", "--question", "", "--answer", "a"], 1,
         f"vendu add: t.vendu: {EMPTY} (the question; nothing was added)"),
        (["import", "in.csv", "--into", "t.vendu"], 1,
         f"vendu import: in.csv: row 1: the answer is refused: {EMPTY}"),
        (["import", "nope.csv", "--into", "t.vendu"], 2, "vendu import: nope.csv: no such file"),
    ]
    for args, status, line in cases:
        rc, out, err = run(args, tmp)
        expect(rc == status and line in err.splitlines(), f"{args}: {rc} {err}")
        stray = [m for m in err.splitlines() if not m.startswith(f"vendu {args[0]}: ")]
        expect(not stray, f"{args}: messages in another form: {stray}")


def completion_script(name):
    """A completion script made at build time beside the vendu being tested."""
    return os.path.join(os.path.dirname(VENDU[0]), "completion", name)


def complete(words, tmp):
    """What the bash completion offers for words, the last being the one completed, as bash
    hands them over (it splits "--color=al" into "--color", "=", "al")."""
    script = ('source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); '
              'COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}; _vendu; printf "%s\\n" "${COMPREPLY[@]}"')
    env = dict(os.environ, PATH=os.path.dirname(VENDU[0]) + os.pathsep + os.environ["PATH"])
    done = subprocess.run(["bash", "-c", script, "bash", completion_script("vendu")] + words, cwd=tmp, env=env,
                          capture_output=True, timeout=60)
    return [w for w in done.stdout.decode("utf-8").split("\n") if w]


@test("options", portable=False)
def bash_completion_offers_what_the_help_lists(tmp, golden):
    search_file(tmp)
    cases = [
        (["vendu", ""], commands() + ["help"]),
        (["vendu", "se"], ["search"]),
        (["vendu", "-"], ["-h", "--help", "-V", "--version"]),
        (["vendu", "search", "--c"], ["--count", "--color", "--caption"]),
        (["vendu", "search", "--color", "="], ["auto", "always", "never"]),
        (["vendu", "search", "-n", "--color", "=", "al"], ["always"]),
        (["vendu", "export", "--format", ""], ["csv", "jsonl", "html", "md"]),
        (["vendu", "check", "--wait", ""], []),
        (["vendu", "help", "s"], ["search", "show", "stats"]),
        (["vendu", "search", "-c", "s."], ["s.vendu"]),
    ]
    for name in commands():
        rc, out, err = run([name, "--help"], tmp)
        options = out.decode("utf-8").split("\nOptions:\n")[1].split("\n\n")[0]
        cases.append((["vendu", name, "--"], re.findall(r"^ {2,6}(?:-\S, )?(--[a-z-]+)", options,
                                                       re.M)))
    for words, want in cases:
        got = complete(words, tmp)
        expect(got == want, f"{words}: {got}, wanted {want}")


@test("options", windows=True)
def messages_show_control_characters_escaped(tmp, golden):
    # A name or a value given back in a message can neither colour the terminal nor start a
    # line of its own: C0 and C1 control characters come out as \xNN.
    cases = [
        (["check", "a\x1b[31mb\u0085c.vendu"],
         "vendu check: a\\x1B[31mb\\x85c.vendu: no such file\n"),
        (["show", "s.vendu", "1\n2"],
         'vendu show: the entry number is a whole number from 1, not "1\\x0A2"\n'),
    ]
    for args, want in cases:
        rc, out, err = run(args, tmp)
        expect(rc == 2 and err.startswith(want), f"{args}: {rc} {err!r}")


# ---------------------------------------------------------------- check

def golden_names(golden):
    names = sorted(n[:-6] for n in os.listdir(golden) if n.endswith(".vendu"))
    expect(len(names) >= 8, "golden files missing")
    return names


@test("check", windows=True)
def check_golden_in_one_run(tmp, golden):
    # The reports come file by file, in the order given.
    names = golden_names(golden)
    rc, out, err = run(["check"] + [n + ".vendu" for n in names], golden)
    sums = [0, 0, 0]
    for name in names:
        want = read(os.path.join(golden, name + ".expected"))
        expect(out.startswith(want), f"{name}: output differs:\n{out.decode()}\nwanted first:\n"
               f"{want.decode()}")
        out = out[len(want):]
        counts = re.findall(rb"(\d+) [a-z]+", want.splitlines()[-1].split(b": ")[-1])
        sums = [a + int(b) for a, b in zip(sums, counts)]
    total = "total: %d files, %d entries, %d errors, %d warnings\n" % (len(names), *sums)
    expect(out == total.encode(), f"other output than the total {total!r}: {out!r}")
    expect(rc == 1, f"exit status {rc}")


@test("check")
def check_golden_exit_status_per_file(tmp, golden):
    for name in golden_names(golden):
        rc, out, err = run(["check", name + ".vendu"], golden)
        want = read(os.path.join(golden, name + ".expected"))
        expect(out == want, f"{name}: output differs:\n{out.decode()}\nwanted:\n{want.decode()}")
        clean = want.count(b"\n") == 1
        expect(rc == (0 if clean else 1), f"{name}: exit status {rc}")


@test("check", windows=True)
def check_json_matches_text(tmp, golden):
    names = sorted(n for n in os.listdir(golden) if n.endswith(".vendu"))
    rc, out, err = run(["check", "--format=json"] + names + ["missing.vendu"], golden)
    expect(rc == 2, f"exit status {rc} with a missing file")
    doc = json.loads(out.decode("utf-8"))
    files = {f["file"]: f for f in doc["files"]}
    expect(files["missing.vendu"]["error"] == "no such file", "missing file's error")
    line = re.compile(r"^(.*?):(\d+):(\d+): (error|warning): .* \[([a-z0-9-]+)\]$")
    for name in names:
        text = read(os.path.join(golden, name[:-6] + ".expected")).decode("utf-8").splitlines()
        wanted = [line.match(t).groups()[1:] for t in text[:-1]]
        got = [(str(f["line"]), str(f["column"]), f["severity"], f["code"])
               for f in files[name]["findings"]]
        expect(got == [tuple(w) for w in wanted], f"{name}: json {got} vs text {wanted}")
        expect(text[-1].startswith(f"{name}: {files[name]['entries']} entr"), f"{name}: count")


@test("check", windows=True)
def check_reports_missing_file_and_goes_on(tmp, golden):
    write(os.path.join(tmp, "ok.vendu"), record(b"q", b"a"))
    rc, out, err = run(["check", "nope.vendu", "ok.vendu"], tmp)
    expect(rc == 2, f"exit status {rc}")
    expect("nope.vendu: no such file" in err, err)
    expect(out == b"ok.vendu: 1 entry, 0 errors, 0 warnings\n"
           b"total: 2 files, 1 entry, 0 errors, 0 warnings, 1 not read\n", out)
    rc, out, err = run(["check"], tmp)
    expect(rc == 2 and "no file given" in err, "no file: " + err)


# ---------------------------------------------------------------- search

def search_file(tmp):
    # 0xB0 0x41 is one character whose second byte is the letter A.
    data = (record("问题一".encode("gbk"), b"Apple") + record(b"second \xb0\x41", b"none")
            + record(b"Third", "答案里有 A".encode("gbk"))
            + record(b"lines", b"one\r\ntwo\r\n\r\nthree \\ \x1b end\r\n"))
    write(os.path.join(tmp, "s.vendu"), data)
    return "s.vendu"


def gbk(text):
    return text.encode("gbk")


# Standard output and error of search on a pipe: the matches alone on standard output.
SEARCH_CASES = [  # arguments, exit status, standard output, standard error
    (["s.vendu", "A"], 0, "问题一 / Apple\nThird / 答案里有 A\n", "【A】共用2条搜索结果\n"),
    (["-n", "s.vendu", "A"], 0, "1:问题一 / Apple\n3:Third / 答案里有 A\n", "【A】共用2条搜索结果\n"),
    (["s.vendu", "A", "--caption"], 0, "问题一 / Apple\nThird / 答案里有 A\n【A】共用2条搜索结果\n", ""),
    (["s.vendu", "答案"], 0, "Third / 答案里有 A\n", "【答案】共用1条搜索结果\n"),
    (["-n", "s.vendu", "three"], 0, "4:lines / one two three \\ \\x1B end\n",
     "【three】共用1条搜索结果\n"),
    (["-c", "s.vendu", "a"], 1, "0\n", ""),
    (["-ic", "s.vendu", "a"], 0, "2\n", ""),
    (["s.vendu", "-i", "apple"], 0, "问题一 / Apple\n", "【apple】共用1条搜索结果\n"),
    (["-q", "s.vendu", "A"], 0, "", ""),
    (["-qc", "s.vendu", "zzz"], 1, "", ""),
    (["s.vendu", "zzz"], 1, "", "【zzz】无搜索结果\n"),
    (["s.vendu", "--", "-c"], 1, "", "【-c】无搜索结果\n"),
    (["--color=always", "-n", "s.vendu", "A"], 0,
     "1:问题一 / \x1b[1;31mA\x1b[0mpple\n3:Third / 答案里有 \x1b[1;31mA\x1b[0m\n",
     "【A】共用2条搜索结果\n"),
    (["--color=always", "-i", "s.vendu", "T"], 0,
     "\x1b[1;31mT\x1b[0mhird / 答案里有 A\n"
     "lines / one \x1b[1;31mt\x1b[0mwo \x1b[1;31mt\x1b[0mhree \\ \\x1B end\n",
     "【T】共用2条搜索结果\n"),
    (["--jsonl", "s.vendu", "e"], 0,
     '{"file": "s.vendu", "entry": 1, "question": "问题一", "answer": "Apple"}\n'
     '{"file": "s.vendu", "entry": 2, "question": "second 癆", "answer": "none"}\n'
     '{"file": "s.vendu", "entry": 4, "question": "lines", "answer": "one\\r\\ntwo\\r\\n\\r\\nthree \\\\ \\u001b end\\r\\n"}\n',
     "【e】共用3条搜索结果\n"),
    (["-", "Third"], 0, "Third / 答案里有 A\n", "【Third】共用1条搜索结果\n"),
]


@test("search", windows=True)
def search_prints_one_line_a_match(tmp, golden):
    name = search_file(tmp)
    for args, status, out, err in SEARCH_CASES:
        stdin = read(os.path.join(tmp, name)) if "-" in args else b""
        got = run(["search"] + args, tmp, stdin=stdin)
        expect(got == (status, out.encode("utf-8"), err), f"{args}: {got}")


@test("search", windows=True)
def search_raw_passes_entry_bytes(tmp, golden):
    name = search_file(tmp)
    rc, out, err = run(["search", "--raw", "--caption", name, "Third"], tmp)
    want = b"Third / " + gbk("答案里有 A") + b"\n" + gbk("【Third】共用1条搜索结果") + b"\n"
    expect((rc, out) == (0, want), repr(out))


@test("search", portable=False)
def search_raw_takes_keyword_bytes_and_keeps_characters_whole(tmp, golden):
    name = search_file(tmp)
    cases = [  # keyword bytes, options, matches
        (gbk("答案"), [], 1), ("答案".encode("utf-8"), [], 0),
        # The letter in a character's second byte is no letter, in either case.
        (b"\xb0\x41", [], 1), (b"\xb0\x61", ["-i"], 0), (b"a", ["-i"], 2), (b"\x41", [], 2),
    ]
    for keyword, options, count in cases:
        rc, out, err = run(["search", "--raw", "--count"] + options + [name, keyword], tmp)
        expect((rc, out) == (0 if count else 1, b"%d\n" % count), f"{keyword} {options}: {rc} {out}")


@test("search", portable=False)
def search_on_a_terminal_shows_the_caption_and_colours(tmp, golden):
    import pty
    name = search_file(tmp)
    cases = [  # environment, options, standard output
        ({}, [], "问题一 / \x1b[1;31mApp\x1b[0mle\n【App】共用1条搜索结果\n"),
        ({"NO_COLOR": "1"}, [], "问题一 / Apple\n【App】共用1条搜索结果\n"),
        ({"TERM": "dumb"}, [], "问题一 / Apple\n【App】共用1条搜索结果\n"),
        ({}, ["--color=never"], "问题一 / Apple\n【App】共用1条搜索结果\n"),
    ]
    for env, options, want in cases:
        primary, secondary = pty.openpty()
        try:
            p = start(["search"] + options + [name, "App"], tmp, stdout=secondary,
                      env=dict(os.environ, LC_ALL="C.UTF-8", **env))
            os.close(secondary)
            got = b""
            while True:
                try:
                    chunk = os.read(primary, 4096)
                except OSError:
                    break
                if not chunk:
                    break
                got += chunk
            p.wait(timeout=60)
        finally:
            os.close(primary)
        got = got.replace(b"\r\n", b"\n").decode("utf-8")
        expect((p.returncode, got) == (0, want), f"{env} {options}: {p.returncode} {got!r}")


SHOW_CASES = [  # arguments, exit status, standard output, standard error
    (["s.vendu", "1"], 0, "(%Q%)\r\n问题一\r\n(%A%)\r\nApple\r\n", ""),
    (["s.vendu", "4"], 0, "(%Q%)\r\nlines\r\n(%A%)\r\none\r\ntwo\r\n\r\nthree \\ \\x1B end\r\n", ""),
    (["-", "3"], 0, "(%Q%)\r\nThird\r\n(%A%)\r\n答案里有 A\r\n", ""),
    (["--jsonl", "s.vendu", "2"], 0, '{"entry": 2, "question": "second 癆", "answer": "none"}\n', ""),
    (["s.vendu", "5"], 1, "", "vendu show: s.vendu: no entry 5 (the file has 4 entries)\n"),
]


@test("search", windows=True)
def show_prints_one_entry_whole(tmp, golden):
    name = search_file(tmp)
    for args, status, out, err in SHOW_CASES:
        stdin = read(os.path.join(tmp, name)) if "-" in args else b""
        got = run(["show"] + args, tmp, stdin=stdin)
        expect(got == (status, out.encode("utf-8"), err), f"{args}: {got}")
    rc, out, err = run(["show", "--raw", name, "3"], tmp)
    expect(out == b"(%Q%)\r\nThird\r\n(%A%)\r\n" + gbk("答案里有 A") + b"\r\n", repr(out))


# ---------------------------------------------------------------- add

@test("add", windows=True)
def add_writes_the_programs_records(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    write(path, b"")
    for q, a in (("Q1", "A1"), ("Q2", "A2")):
        rc, out, err = run(["add", "t.vendu", "--question", q, "--answer", a], tmp)
        expect(rc == 0, f"exit status {rc}: {err}")
    want = record(b"Q1", b"A1") + record(b"Q2", b"A2")
    expect(len(want) == 44 and read(path) == want, repr(read(path)))
    rc, out, err = run(["add", "t.vendu", "--question", "问 \"题\"", "--answer", "答\n案"], tmp)
    expect(rc == 0, err)
    expect(read(path) == want + record("问 \"题\"".encode("gbk"), "答\n案".encode("gbk")),
           repr(read(path)))


@test("add")
def add_applies_the_six_checks_in_order(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    write(path, b"keep")
    cases = [
        ("", "a", EMPTY, "question"),
        ("", "has (%Q%)", EMPTY, "question"),
        ("x(%Q%)y", "", MARKER, "question"),
        ("x(%A%)y", "", MARKER, "question"),
        ("q", "", EMPTY, "answer"),
        ("q", "a(%Q%)b", MARKER, "answer"),
        ("q", "a(%A%)b", MARKER, "answer"),
    ]
    for q, a, message, which in cases:
        rc, out, err = run(["add", "t.vendu", "--question", q, "--answer", a], tmp)
        expect(rc == 1, f"{q!r}/{a!r}: exit status {rc}")
        expect(f"{message} (the {which}; nothing was added)" in err, f"{q!r}/{a!r}: {err}")
        expect(read(path) == b"keep", "file changed")
    # Only white space: what check would warn of, refused, naming which text.
    for q, a, which in (("  ", "a", "question"), ("q", "\r\n\t ", "answer")):
        rc, out, err = run(["add", "t.vendu", "--question", q, "--answer", a], tmp)
        expect(rc == 1 and f"the {which} is only white space" in err, f"{q!r}/{a!r}: {err}")
        expect(read(path) == b"keep", "file changed")
    for q, a in (("(%q%)", "(%a%)"), ("(%Q%", "%A%)"), (" q ", "\r\na")):
        rc, out, err = run(["add", "t.vendu", "--question", q, "--answer", a], tmp)
        expect(rc == 0, f"{q!r}/{a!r} refused: {err}")


@test("add", windows=True)
def add_reads_text_files_and_standard_input(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    write(path, b"")
    write(os.path.join(tmp, "q.txt"), "多行\n问题\n".encode("utf-8"))
    rc, out, err = run(["add", "t.vendu", "--question-file", "q.txt", "--answer-file", "-"],
                       tmp, stdin="标准输入".encode("utf-8"))
    expect(rc == 0, err)
    expect(read(path) == record("多行\n问题\n".encode("gbk"), "标准输入".encode("gbk")),
           repr(read(path)))
    rc, out, err = run(["add", "t.vendu", "--question-file", "-", "--answer-file", "-"], tmp)
    expect(rc == 2 and "only one text" in err, err)


@test("add", windows=True)
def add_refuses_what_code_page_936_cannot_hold(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    write(path, b"")
    rc, out, err = run(["add", "t.vendu", "--question", "smile \U0001F600", "--answer", "a"], tmp)
    expect(rc == 2 and "has no code page 936 form" in err and "byte 7" in err, err)
    expect(read(path) == b"", "file changed")
    rc, out, err = run(["add", "t.vendu", "--question-file", "-", "--answer", "a"], tmp,
                       stdin=b"\xff")
    expect(rc == 2 and "not valid UTF-8 at byte 1" in err, err)


@test("add", windows=True)
def add_raw_takes_bytes(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    write(path, b"")
    rc, out, err = run(["add", "--raw", "t.vendu", "--question-file", "-", "--answer", "a"],
                       tmp, stdin=b"\xd6\xd0\xff")
    expect(rc == 0, err)
    expect(read(path) == record(b"\xd6\xd0\xff", b"a"), repr(read(path)))


@test("add", windows=True)
def add_needs_an_existing_target(tmp, golden):
    rc, out, err = run(["add", "nope.vendu", "--question", "q", "--answer", "a"], tmp)
    expect(rc == 2 and "no such file" in err, err)
    expect(not os.path.exists(os.path.join(tmp, "nope.vendu")), "file created")


@test("add")
def option_values_are_never_options(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    cases = [
        (["--question", "--help", "--answer", "x"], b"--help", b"x"),
        (["--answer", "--question", "--question", "--answer"], b"--answer", b"--question"),
        (["--question=--raw", "--answer", "--"], b"--raw", b"--"),
        (["--question", "--wait", "--answer", "--answer-file"], b"--wait", b"--answer-file"),
    ]
    for options, q, a in cases:
        write(path, b"")
        rc, out, err = run(["add", "t.vendu"] + options, tmp)
        expect(rc == 0 and read(path) == record(q, a), f"{options}: {rc} {err} {read(path)!r}")


# ---------------------------------------------------------------- failed writes

@test("rollback", windows=True)
def add_undoes_a_short_write(tmp, golden):
    # Under Wine too, where the size limit's signal would otherwise end vendu.exe half way.
    path = os.path.join(tmp, "t.vendu")
    before = bytes(random.Random(7).randrange(256) for _ in range(1000))
    write(path, before)
    # The file may grow to 1024 bytes: the record's write stops part way.
    rc, out, err = run(["add", "t.vendu", "--question", "q" * 100, "--answer", "a"], tmp,
                       limit=1024)
    expect(rc == 2, f"exit status {rc}: {err}")
    expect("writing failed after 24 of 119 bytes" in err and "cut back to its previous 1000 "
           "bytes" in err, err)
    expect(read(path) == before, "file not restored byte for byte")
    rc, out, err = run(["add", "t.vendu", "--question", "q", "--answer", "a"], tmp, limit=1024)
    expect(rc == 0 and len(read(path)) == 1020, f"small record: {rc} {err}")


@test("rollback", portable=False)
def import_undoes_a_short_write(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    write(path, b"\r\n(%Q%)\r\nold\r\n(%A%)\r\nold")
    before = read(path)
    rows = "".join(f'"question {i}","answer {i}"\r\n' for i in range(40))
    write(os.path.join(tmp, "in.csv"), rows.encode())
    rc, out, err = run(["import", "in.csv", "--into", "t.vendu"], tmp, limit=1024)
    expect(rc == 2 and "cut back" in err, f"{rc} {err}")
    expect(read(path) == before, "file not restored")


def held_run(args, tmp, moment, act, name="", **options):
    """Runs vendu held at a moment (hold_at_call.c: write, cut or read of the file name), does
    act() while it is held and lets it go on: its exit status, output and error."""
    expect(OPTIONS.hold_at_call, "needs --hold-at-call")
    hold = tempfile.mkdtemp(dir=tmp)
    env = dict(os.environ, LD_PRELOAD=OPTIONS.hold_at_call, VENDU_HOLD_DIR=hold,
               VENDU_HOLD_AT=moment, VENDU_HOLD_NAME=name,
               ASAN_OPTIONS="verify_asan_link_order=0:" + os.environ.get("ASAN_OPTIONS", ""))
    p = start(args, tmp, env=env, **options)
    deadline = time.monotonic() + 60
    while not os.path.exists(os.path.join(hold, "held")) and p.poll() is None:
        expect(time.monotonic() < deadline, f"{args}: never held at the {moment}")
        time.sleep(0.01)
    if p.poll() is not None:
        raise AssertionError(f"{args} ended before the {moment}: {p.communicate()}")
    act()
    write(os.path.join(hold, "go"), b"")
    out, err = p.communicate(timeout=120)
    return p.returncode, out, err.decode("utf-8", "replace")


@test("rollback", portable=False)
def undo_spares_what_another_program_wrote(tmp, golden):
    # vendu's write stops at a file size limit; while the failed write is held, another
    # program (one that ignores the lock) appends a record; then vendu goes on to its undo.
    path = os.path.join(tmp, "t.vendu")
    before = record(b"old", b"entry") + b"." * 974
    write(path, before)
    other = record("别的程序".encode("gbk"), b"wrote this meanwhile")

    def append():
        with open(path, "ab") as f:
            f.write(other)
    rc, out, err = held_run(["add", "t.vendu", "--question", "q" * 100, "--answer", "a"], tmp,
                            "write", append, limit=1024)
    expect(rc == 2, f"exit status {rc}: {err}")
    expect("writing failed after 24 of 119 bytes" in err and "another program wrote to the file "
           "at the same time, so nothing was cut back: check the end of the file" in err, err)
    data = read(path)
    expect(data == before + record(b"q" * 100, b"a")[:24] + other, repr(data[-200:]))


@test("rollback", portable=False)
def an_append_during_the_undo_waits_for_its_cut(tmp, golden):
    # Another program opens the file to append just as vendu is about to cut its failed write
    # back: its open waits until the cut is made, so its record is not cut with it.
    path = os.path.join(tmp, "t.vendu")
    before = record(b"old", b"entry") + b"." * 974
    write(path, before)
    other = record(b"late", b"append")
    trying = threading.Event()

    def append():
        trying.set()
        with open(path, "ab") as f:
            f.write(other)
    appender = threading.Thread(target=append)

    def act():
        appender.start()
        trying.wait()
        time.sleep(0.3)  # long enough for an open that nothing holds back to append
    rc, out, err = held_run(["add", "t.vendu", "--question", "q" * 100, "--answer", "a"], tmp,
                            "cut", act, limit=1024)
    appender.join(timeout=60)
    expect(rc == 2 and "cut back to its previous 1000 bytes" in err, f"{rc} {err}")
    expect(read(path) == before + other, repr(read(path)[-100:]))


# ---------------------------------------------------------------- export and import

# Code page 936 texts; 0x80 is its euro sign, which Python's gbk codec lacks.
TEXTS = [t.encode("gbk") for t in ["问题", "with, comma", 'with "quotes"', "two\r\nlines",
                                   "lf\nonly", " spaced ", "back\\slash", "\t tab",
                                   "trailing break\r\n", "（全角）"]] + [b"\x80 euro"]


def make_store(tmp, name, count, seed):
    rng = random.Random(seed)
    data = b""
    for _ in range(count):
        q = b"".join(rng.choice(TEXTS) for _ in range(rng.randrange(1, 3)))
        a = b"".join(rng.choice(TEXTS) for _ in range(rng.randrange(1, 3)))
        data += record(q, a)
    write(os.path.join(tmp, name), data)
    return data


def round_trip(tmp, variants):
    original = make_store(tmp, "s.vendu", 60, 1)
    for fmt, extra in variants:
        rc, out, err = run(["export", "s.vendu", "--format=" + fmt] + extra, tmp)
        expect(rc == 0, f"{fmt} {extra}: {err}")
        name = "out." + fmt
        write(os.path.join(tmp, name), out)
        write(os.path.join(tmp, "copy.vendu"), b"")
        rc, _, err = run(["import", name, "--into", "copy.vendu"] + extra, tmp)
        expect(rc == 0, f"{fmt} {extra} import: {err}")
        expect(read(os.path.join(tmp, "copy.vendu")) == original, f"{fmt} {extra}: differs")


@test("exchange", windows=True)
def export_import_round_trip(tmp, golden):
    round_trip(tmp, (("csv", []), ("jsonl", [])))


@test("exchange")
def export_import_round_trip_raw(tmp, golden):
    round_trip(tmp, (("csv", ["--raw"]), ("jsonl", ["--raw"])))


@test("exchange")
def search_json_gives_the_texts_of_export(tmp, golden):
    # Over 128 KB, so that entries end windows of the file; the last answer keeps its break.
    original = make_store(tmp, "s.vendu", 6000, 2) + b"\r\n"
    write(os.path.join(tmp, "s.vendu"), original)
    rc, out, err = run(["export", "s.vendu", "--format=jsonl"], tmp)
    exported = [json.loads(line) for line in out.decode("utf-8").splitlines()]
    rc, out, err = run(["search", "--jsonl", "s.vendu", ""], tmp)
    found = [json.loads(line) for line in out.decode("utf-8").splitlines()]
    expect(rc == 0 and len(found) == 6000 and [f.pop("entry") for f in found] ==
           list(range(1, 6001)) and {f.pop("file") for f in found} == {"s.vendu"},
           f"{rc} {len(found)} {err}")
    expect(found == exported, "search --jsonl and export --format=jsonl differ")
    rc, out, err = run(["search", "--json", "s.vendu", ""], tmp)
    document = json.loads(out.decode("utf-8"))["files"][0]["matches"]
    expect([{k: v for k, v in f.items() if k != "entry"} for f in document] == exported,
           "search --json and export --format=jsonl differ")
    expect(found[-1]["answer"].endswith("\r\n"), repr(found[-1]))


@test("exchange")
def export_writes_valid_csv_and_json(tmp, golden):
    write(os.path.join(tmp, "s.vendu"),
          record('问"题"'.encode("gbk"), "a,b\r\nc".encode("gbk")) + record(b"Q", b"A"))
    rc, out, err = run(["export", "s.vendu", "--format=csv"], tmp)
    rows = list(csv.reader(io.StringIO(out.decode("utf-8"), newline="")))
    expect(rows == [["question", "answer"], ['问"题"', "a,b\r\nc"], ["Q", "A"]], repr(rows))
    rc, out, err = run(["export", "s.vendu", "--format=jsonl"], tmp)
    objs = [json.loads(line) for line in out.decode("utf-8").splitlines()]
    expect(objs == [{"question": '问"题"', "answer": "a,b\r\nc"},
                    {"question": "Q", "answer": "A"}], repr(objs))


@test("exchange", windows=True)
def export_keeps_bytes_that_do_not_convert(tmp, golden):
    original = record(b"bad \xff byte", b"ok") + record(b"q", b"lead at end \xd6")
    write(os.path.join(tmp, "s.vendu"), original)
    rc, out, err = run(["export", "s.vendu", "--format=csv"], tmp)
    expect(rc == 1 and out == b"", f"csv must refuse: {rc} {out}")
    expect("entry 1: the question does not convert to UTF-8 at byte 5" in err, err)
    expect("entry 2: the answer does not convert to UTF-8 at byte 13" in err, err)
    rc, out, err = run(["export", "s.vendu", "--format=jsonl"], tmp)
    expect(rc == 0, err)
    objs = [json.loads(line) for line in out.decode("utf-8").splitlines()]
    expect(objs[0] == {"question_base64": "YmFkIP8gYnl0ZQ==", "answer": "ok"}, repr(objs))
    write(os.path.join(tmp, "out.jsonl"), out)
    write(os.path.join(tmp, "copy.vendu"), b"")
    rc, _, err = run(["import", "out.jsonl", "--into", "copy.vendu"], tmp)
    expect(rc == 0 and read(os.path.join(tmp, "copy.vendu")) == original, err)


@test("exchange", windows=True)
def import_is_all_or_nothing(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    write(path, b"before")
    write(os.path.join(tmp, "in.csv"), (
        'question,answer\r\n"good 1","a"\r\n"empty answer",""\r\n"has (%A%)","x"\r\n'
        '"three","fields","here"\r\n"good 2","多行\r\n答案"\r\n').encode("utf-8"))
    rc, out, err = run(["import", "in.csv", "--into", "t.vendu"], tmp)
    expect(rc == 1, f"exit status {rc}")
    expect(f"in.csv: row 3: the answer is refused: {EMPTY}" in err, err)
    expect(f"in.csv: row 4: the question is refused: {MARKER}" in err, err)
    expect("in.csv: row 5: expected 2 fields (question, answer), found 3" in err, err)
    expect("3 of 5 rows refused; nothing was imported" in err, err)
    expect(read(path) == b"before", "file changed")
    rc, out, err = run(["import", "in.csv", "--into", "t.vendu", "--skip-bad"], tmp)
    expect(rc == 1 and "skipped rows: 3, 4, 5" in err, f"{rc} {err}")
    expect(read(path) == b"before" + record(b"good 1", b"a")
           + record(b"good 2", "多行\r\n答案".encode("gbk")), repr(read(path)))


@test("exchange", windows=True)
def import_reports_bad_json_lines(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    write(path, b"")
    lines = ['{"question": "q", "answer": "a", "id": [1, {"x": null}]}',
             '{"question": "q"',
             '',
             '{"question": "q", "question_base64": "cQ==", "answer": "a"}',
             '{"question_base64": "not base64", "answer": "a"}',
             '{"question": 5, "answer": "a"}',
             '{"question": "\\ud83d", "answer": "a"}',
             '{"question": "\\u95ee", "answer_base64": "1tA="}']
    write(os.path.join(tmp, "in.jsonl"), "\n".join(lines).encode("utf-8"))
    rc, out, err = run(["import", "in.jsonl", "--into", "t.vendu"], tmp)
    expect(rc == 1 and read(path) == b"", f"{rc} {err}")
    for number in (2, 4, 5, 6, 7):
        expect(f"in.jsonl: row {number}: " in err, f"row {number} not reported: {err}")
    for number in (1, 3, 8):
        expect(f"in.jsonl: row {number}: " not in err, f"row {number} reported: {err}")
    rc, out, err = run(["import", "in.jsonl", "--into", "t.vendu", "--skip-bad"], tmp)
    expect(read(path) == record(b"q", b"a") + record("问".encode("gbk"), b"\xd6\xd0"),
           repr(read(path)))


@test("exchange")
def control_characters_are_refused_by_row(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    write(path, b"before")
    b64 = base64.b64encode(b"x\x01").decode()
    lines = ['{"question": "tab\\there", "answer": "cr lf\\r\\nand lf\\n"}',
             '{"question": "nul \\u0000", "answer": "a"}',
             '{"question": "q", "answer": "bell \\u0007"}',
             '{"question": "q", "answer": "delete \\u007f"}',
             '{"question": "\\u001b[0m escape", "answer": "a"}',
             '{"question_base64": "%s", "answer": "a"}' % b64]
    write(os.path.join(tmp, "in.jsonl"), "\n".join(lines).encode())
    write(os.path.join(tmp, "in.csv"), b'"ok","fine"\r\n"unit \x1f separator","a"\r\n')
    refused = {("in.jsonl", 2): "question holds the control character U+0000",
               ("in.jsonl", 3): "answer holds the control character U+0007",
               ("in.jsonl", 4): "answer holds the control character U+007F",
               ("in.jsonl", 5): "question holds the control character U+001B",
               ("in.jsonl", 6): "question holds the control character U+0001",
               ("in.csv", 2): "question holds the control character U+001F"}
    for name, rows in (("in.jsonl", 6), ("in.csv", 2)):
        rc, out, err = run(["import", name, "--into", "t.vendu"], tmp)
        expect(rc == 1 and read(path) == b"before", f"{name}: {rc} {err}")
        for row in range(1, rows + 1):
            want = refused.get((name, row))
            reported = f"{name}: row {row}: " in err
            expect(reported == bool(want) and (not want or want in err), f"{name} row {row}: {err}")
    rc, out, err = run(["import", "in.jsonl", "--into", "t.vendu", "--skip-bad"], tmp)
    expect(read(path) == b"before" + record(b"tab\there", b"cr lf\r\nand lf\n"), repr(read(path)))
    rc, out, err = run(["add", "t.vendu", "--question", "q", "--answer", "a\x02"], tmp)
    expect(rc == 1 and "the answer holds the control character U+0002" in err, f"{rc} {err}")


@test("exchange")
def import_refuses_an_unclosed_quote(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    write(path, b"")
    write(os.path.join(tmp, "in.csv"), b'"q","a"\r\n"q2","never closed\r\n')
    rc, out, err = run(["import", "in.csv", "--into", "t.vendu", "--skip-bad"], tmp)
    expect(rc == 2 and "row 2: a quoted field is not closed" in err, f"{rc} {err}")
    expect(read(path) == b"", "file changed")


@test("exchange")
def standard_input_is_a_file_to_every_reader(tmp, golden):
    # "-" reads standard input wherever a file is read; a change to it goes to standard output.
    data = record(b"q1", b"a1") + record(b"q2", b"a2")
    write(os.path.join(tmp, "t.vendu"), record(b"t", b"u"))
    cases = [  # arguments, exit status, a piece of standard output or error
        (["stats", "-"], 0, b"(standard input): 2 entries, 44 bytes\n"),
        (["export", "--format=html", "-"], 0, b"<title>(standard input)</title>"),
        (["export", "--format=md", "-"], 0, b"# (standard input)\n"),
        (["fix", "--dry-run", "-"], 0, b"(standard input): nothing to mend\n"),
        (["merge", "-", "--into", "t.vendu"], 0, b"t.vendu: 2 entries added from 1 file"),
        (["rm", "-", "1"], 0, record(b"q2", b"a2") + b"removed entry 1: q1/a1\n"),
    ]
    for args, status, piece in cases:
        rc, out, err = run(args, tmp, stdin=data)
        expect(rc == status and piece in out + err.encode(), f"{args}: {rc} {out[:200]!r} {err}")
    expect(read(os.path.join(tmp, "t.vendu")) == record(b"t", b"u") + data, "merge from -")


# ---------------------------------------------------------------- sharing

def entries_of(data):
    """The (question, answer) pairs of a file made of written records."""
    pairs = []
    for piece in data.split(b"\r\n" + Q + b"\r\n")[1:]:
        q, _, a = piece.partition(b"\r\n" + A + b"\r\n")
        pairs.append((q, a))
    return pairs


@test("sharing", windows=True)
def parallel_writers_and_readers_lose_nothing(tmp, golden):
    # 8 writers add 50 entries each while 4 readers search 50 times each, all on one file.
    path = os.path.join(tmp, "s.vendu")
    old = [(b"old question %d" % i, b"old answer %d" % i) for i in range(20)]
    write(path, b"".join(record(q, a) for q, a in old))
    failures = []
    restarts = []

    def started(args):
        # Under Wine about one start in a few thousand ends with status 1 before the program's
        # first statement, nothing written (seen with a marker written first thing). Both
        # commands here always print, so such a run did nothing: it is run again, and said.
        # A run that did happen and lost its output would add twice and fail the count below.
        rc, out, err = run(args, tmp)
        if OPTIONS.windows_subset and (rc, out, err) == (1, b"", ""):
            restarts.append(args[0])
            rc, out, err = run(args, tmp)
        return rc, out, err

    def writer(w):
        for k in range(50):
            rc, out, err = started(["add", "s.vendu", "--question", f"w{w} q{k}",
                                    "--answer", f"w{w} a{k}"])
            if rc != 0:
                failures.append(f"writer {w}, add {k}: {rc} {err}")

    def reader(r):
        for k in range(50):
            rc, out, err = started(["search", "--count", "s.vendu", "old"])
            if (rc, out) != (0, b"20\n"):
                failures.append(f"reader {r}, search {k}: {rc} {out!r} {err}")

    threads = ([threading.Thread(target=writer, args=(w,)) for w in range(8)]
               + [threading.Thread(target=reader, args=(r,)) for r in range(4)])
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    expect(not failures, f"{len(failures)} runs failed, first: {failures[:3]}")
    if restarts:
        note(f"{len(restarts)} of 800 starts never reached the program and were run again: "
             + ", ".join(restarts))
    entries = entries_of(read(path))
    expect(entries[:20] == old and len(entries) == 420, f"{len(entries)} entries")
    # Each pair whole, and each writer's entries in the order it added them.
    for w in range(8):
        mine = [e for e in entries[20:] if e[0].startswith(b"w%d " % w)]
        want = [(b"w%d q%d" % (w, k), b"w%d a%d" % (w, k)) for k in range(50)]
        expect(mine == want, f"writer {w}: {mine[:3]}...")
    rc, out, err = run(["check", "s.vendu"], tmp)
    expect(rc == 0 and out == b"s.vendu: 420 entries, 0 errors, 0 warnings\n", f"{rc} {out!r}")


@test("sharing", portable=False)
def busy_files_are_waited_for_then_refused(tmp, golden):
    path = os.path.join(tmp, "s.vendu")
    data = record(b"q", b"a")
    write(path, data)
    write(os.path.join(tmp, "in.csv"), b'"q2","a2"\r\n')
    add = ["add", "s.vendu", "--question", "new", "--answer", "entry"]
    busy = "s.vendu: in use by another program"
    cases = [  # lock held by another program, command, expected status and message
        (fcntl.LOCK_SH, ["search", "--count", "s.vendu", "q"], 0, None),
        (fcntl.LOCK_SH, ["check", "s.vendu"], 0, None),
        (fcntl.LOCK_SH, ["export", "s.vendu", "--format=csv"], 0, None),
        (fcntl.LOCK_SH, add, 2, busy),
        (fcntl.LOCK_EX, ["search", "s.vendu", "q"], 2, busy),
        (fcntl.LOCK_EX, ["check", "s.vendu"], 2, busy),
        (fcntl.LOCK_EX, ["export", "s.vendu", "--format=jsonl"], 2, busy),
        (fcntl.LOCK_EX, ["import", "in.csv", "--into", "s.vendu"], 2, busy),
        (fcntl.LOCK_EX, ["add", "t.vendu", "--question-file", "s.vendu", "--answer", "a"], 2,
         busy),
    ]
    write(os.path.join(tmp, "t.vendu"), b"")
    for lock, command, status, message in cases:
        for wait in ("0", "0.5"):
            with open(path, "rb") as held:
                fcntl.flock(held, lock)
                began = time.monotonic()
                rc, out, err = run(command + ["--wait", wait], tmp)
                took = time.monotonic() - began
            expect(rc == status and (message is None or message in err),
                   f"{command} beside {lock}, --wait {wait}: {rc} {err}")
            if status:
                expect(took >= float(wait), f"{command}: gave up after {took:.2f} s")
    expect(read(path) == data, "file changed")
    # A holder that lets go within the default wait: the writer gets the file.
    with open(path, "rb") as held:
        fcntl.flock(held, fcntl.LOCK_EX)
        p = start(add, tmp)
        time.sleep(0.5)
        fcntl.flock(held, fcntl.LOCK_UN)
        out, err = p.communicate(timeout=60)
    expect(p.returncode == 0 and read(path) == data + record(b"new", b"entry"), err)
    # The other reasons a file does not open each have their own words.
    os.mkdir(os.path.join(tmp, "folder.vendu"))
    os.mkfifo(os.path.join(tmp, "fifo.vendu"))
    for name, message in (("folder.vendu", "not a plain file"), ("fifo.vendu", "not a plain file"),
                          ("nope.vendu", "no such file")):
        for command in (["check", name], ["add", name, "--question", "q", "--answer", "a"]):
            rc, out, err = run(command, tmp)
            expect(rc == 2 and f"{name}: {message}" in err, f"{command}: {rc} {err}")
    if os.geteuid() == 0:
        note("root may open any file: the no-permission case is left out")
    else:
        os.chmod(path, 0o444)
        rc, out, err = run(add, tmp)
        expect(rc == 2 and "s.vendu: no permission to write to it" in err, f"{rc} {err}")


@test("sharing", portable=False)
def readers_notice_a_file_cut_under_them(tmp, golden):
    # A program that ignores the lock cuts the file in place after the reader's first read:
    # what it counted fits no version of the file, so it says so instead of a count.
    path = os.path.join(tmp, "big.vendu")
    data = b"".join(record(b"question %d" % i, b"answer %d" % i) for i in range(20000))
    for command in (["check", "big.vendu"], ["stats", "big.vendu"]):
        write(path, data)
        rc, out, err = held_run(command, tmp, "read", lambda: os.truncate(path, 1000),
                                name="/big.vendu")
        expect(rc == 2 and err == f"vendu {command[0]}: big.vendu changed while it was read; "
               "run the command again\n", f"{command}: {rc} {out[-200:]!r} {err}")


# ---------------------------------------------------------------- many files and folders

def notes_tree(tmp):
    """Entry files in folders, in both encodings, beside what a folder search leaves out."""
    folders = ["notes/sub", "notes/.hidden"]
    for folder in folders:
        os.makedirs(os.path.join(tmp, folder))
    gbk_entries = record("Ctrl键".encode("gbk"), b"copy Ctrl+C") + record(
        "截图工具".encode("gbk"), "用截图".encode("gbk")) + record(
        "ＣＴＲＬ 全角".encode("gbk"), b"wide") + record(b"Ctrlx", b"none")
    write(os.path.join(tmp, "notes", "a.vendu"), gbk_entries)
    write(os.path.join(tmp, "notes", "sub", "b.vendu"),
          record("ctrl 小写".encode("utf-8"), b"x") + record("截图 now".encode("utf-8"), b"Ctrl"))
    for skipped in ("notes/.hidden/c.vendu", "notes/a.vendu.bak", "notes/a.vendu.bak.1",
                    "notes/x.txt"):
        write(os.path.join(tmp, skipped), record(b"Ctrl", b"skipped"))
    write(os.path.join(tmp, "top.vendu"), record(b"Ctrl", b"top"))


MANY_CASES = [  # arguments, exit status, standard output
    (["notes", "Ctrl"], 0, "notes/a.vendu:Ctrl键 / copy Ctrl+C\nnotes/a.vendu:Ctrlx / none\n"
     "notes/sub/b.vendu:截图 now / Ctrl\n"),
    (["-c", "notes", "top.vendu", "Ctrl"], 0, "notes/a.vendu:2\nnotes/sub/b.vendu:1\ntop.vendu:1\n"),
    (["-l", "notes", "top.vendu", "ctrl"], 0, "notes/sub/b.vendu\n"),
    (["-L", "notes", "top.vendu", "ctrl"], 0, "notes/a.vendu\ntop.vendu\n"),
    (["-L", "notes", "Ctrl"], 1, ""),
    (["-lZ", "notes", "截图"], 0, "notes/a.vendu\0notes/sub/b.vendu\0"),
    (["-cZ", "notes/sub", "x"], 0, "notes/sub/b.vendu\0" "1\n"),
    (["-Z", "notes/sub", "top.vendu", "top"], 0, "top.vendu\0Ctrl / top\n"),
    (["--no-filename", "-n", "notes", "ctrl"], 0, "1:ctrl 小写 / x\n"),
    (["-H", "top.vendu", "top"], 0, "top.vendu:Ctrl / top\n"),
    (["-c", "--glob", "*.txt", "--glob", "b.*", "notes", "Ctrl"], 0,
     "notes/sub/b.vendu:1\nnotes/x.txt:1\n"),
    (["-c", "-e", "Ctrl+C", "-e", "top", "-e", "小写", "notes", "top.vendu"], 0,
     "notes/a.vendu:1\nnotes/sub/b.vendu:1\ntop.vendu:1\n"),
    (["-c", "-w", "notes", "Ctrl"], 0, "notes/a.vendu:1\nnotes/sub/b.vendu:1\n"),
    (["-w", "-n", "notes", "截图"], 0, "notes/sub/b.vendu:2:截图 now / Ctrl\n"),
    (["-c", "-i", "notes", "ｃｔｒｌ"], 0, "notes/a.vendu:3\nnotes/sub/b.vendu:2\n"),
    (["-c", "-S", "notes", "ctrl"], 0, "notes/a.vendu:3\nnotes/sub/b.vendu:2\n"),
    (["-c", "-S", "notes", "ＣＴＲＬ"], 0, "notes/a.vendu:1\nnotes/sub/b.vendu:0\n"),
    (["-c", "-iw", "notes", "CTRL"], 0, "notes/a.vendu:2\nnotes/sub/b.vendu:2\n"),
    (["-v", "-n", "notes/a.vendu", "Ctrl"], 0, "2:截图工具 / 用截图\n3:ＣＴＲＬ 全角 / wide\n"),
    (["-m", "1", "-n", "notes", "top.vendu", "Ctrl"], 0,
     "notes/a.vendu:1:Ctrl键 / copy Ctrl+C\nnotes/sub/b.vendu:2:截图 now / Ctrl\ntop.vendu:1:Ctrl / top\n"),
    (["-m", "0", "notes", "Ctrl"], 1, ""),
    (["-q", "notes", "nope.vendu", "Ctrl"], 0, ""),
    (["-q", "--json", "top.vendu", "Ctrl"], 0, ""),
    (["nope.vendu", "top.vendu", "Ctrl"], 2, "top.vendu:Ctrl / top\n"),
    (["Ctrl", "notes"], 2, ""),
    (["Ctrl", "top.vendu"], 2, ""),
]
MANY_ERRORS = {  # arguments' index in MANY_CASES, standard error
    len(MANY_CASES) - 3: "vendu search: nope.vendu: no such file\n",
    len(MANY_CASES) - 2: "vendu search: give the file first: vendu search FILE KEYWORD\n",
    len(MANY_CASES) - 1: "vendu search: give the file first: vendu search FILE KEYWORD\n",
}


@test("search")
def search_takes_files_and_folders(tmp, golden):
    notes_tree(tmp)
    for k, (args, status, out) in enumerate(MANY_CASES):
        rc, got, err = run(["search"] + args, tmp)
        expect((rc, got.decode("utf-8")) == (status, out), f"{args}: {rc} {got!r} {err}")
        expect(k not in MANY_ERRORS or err == MANY_ERRORS[k], f"{args}: {err!r}")


@test("search", windows=True)
def search_walks_folders_under_wine(tmp, golden):
    notes_tree(tmp)
    for args, status, out in MANY_CASES[:3]:
        rc, got, err = run(["search"] + args, tmp)
        expect((rc, got.decode("utf-8")) == (status, out), f"{args}: {rc} {got!r} {err}")


SCHEMAS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "vendu",
                       "schema")


def validate(document, command, part=None):
    import jsonschema
    with open(os.path.join(SCHEMAS, command + ".schema.json"), encoding="utf-8") as f:
        schema = json.load(f)
    if part:
        schema = {"$defs": schema["$defs"], "$ref": "#/$defs/" + part}
    jsonschema.validate(document, schema, cls=jsonschema.Draft202012Validator)


MACHINE_CASES = [  # command, exit status, the totals the document gives
    (["search", "--json", "notes", "top.vendu", "nope.vendu", "Ctrl"], 2, {"count": 4, "errors": 1}),
    (["search", "--json", "-c", "-v", "notes", "Ctrl"], 0, {"count": 3, "errors": 0}),
    (["search", "--json", "--caption", "--raw", "top.vendu", "Ctrl"], 0, {"count": 1}),
    (["check", "--json", "notes/a.vendu", "-", "nope.vendu"], 2,
     {"total": {"files": 3, "entries": 6, "errors": 0, "warnings": 0, "unread": 1}}),
    (["check", "--format=json", "notes/sub/b.vendu"], 0, {}),
    (["stats", "--json", "notes/a.vendu", "notes/sub/b.vendu", "nope.vendu"], 2,
     {"total": {"files": 3, "unread": 1, "entries": 6, "bytes": 191, "repeats": 0, "errors": 0,
                "warnings": 0}}),
]


@test("search")
def machine_output_follows_the_schemas(tmp, golden):
    notes_tree(tmp)
    stdin = read(os.path.join(tmp, "notes", "sub", "b.vendu"))
    for args, status, totals in MACHINE_CASES:
        rc, out, err = run(args, tmp, stdin=stdin)
        document = json.loads(out.decode("utf-8"))  # the document and nothing else
        validate(document, args[0])
        got = {k: document[k] for k in totals}
        expect(rc == status and got == totals, f"{args}: {rc} {got} {err}")
        # One line a file or a match, each the schema's line.
        lines = [a for a in args if a not in ("--json", "--format=json")]
        rc, out, err = run([lines[0], "--jsonl"] + lines[1:], tmp, stdin=stdin)
        objects = [json.loads(line) for line in out.decode("utf-8").splitlines()]
        for o in objects:
            validate(o, args[0], "line")
        expect(rc == status and objects, f"{lines} --jsonl: {rc} {err}")
        files = document["files"]
        if args[0] == "search" and "-c" not in args:
            expect(len(objects) == sum(len(f.get("matches", [f])) for f in files), f"{lines}")
        else:
            expect(objects == files, f"{lines}: --jsonl and --json differ")


CHECK_MANY = [  # arguments, exit status, standard output
    (["check", "-q", "top.vendu", "notes/a.vendu"], 0, ""),
    (["check", "-q", "lost.vendu", "top.vendu"], 1, ""),
    (["check", "-q", "lost.vendu", "nope.vendu"], 2, ""),
    (["stats", "top.vendu", "lost.vendu"], 0,
     "top.vendu: 1 entry, 25 bytes\nencoding: GBK\nlargest entry: 1 (23 bytes)\n"
     "repeats: 0 entries repeat an earlier one\nfindings: 0 errors, 0 warnings\n\n"
     "lost.vendu: 0 entries, 10 bytes\nencoding: GBK\n"
     "repeats: 0 entries repeat an earlier one\n"
     "findings: 1 error, 0 warnings ('vendu check' lists them)\n\n"
     "total: 2 files, 1 entry, 35 bytes, 0 repeats, 1 error, 0 warnings\n"),
    (["export", "--format=csv", "top.vendu", "notes/sub/b.vendu"], 0,
     '"question","answer"\r\n"Ctrl","top"\r\n"ctrl 小写","x"\r\n"截图 now","Ctrl"\r\n'),
    (["export", "--format=md", "top.vendu", "notes/sub/b.vendu"], 0,
     "# top.vendu, b.vendu\n\n搜索：3条结果\n\n## 1\n\nCtrl\n\n> top\n\n## 2\n\nctrl 小写\n\n"
     "> x\n\n## 3\n\n截图 now\n\n> Ctrl\n"),
    (["export", "--format=jsonl", "notes/sub/b.vendu", "top.vendu"], 0,
     '{"question": "ctrl 小写", "answer": "x"}\n{"question": "截图 now", "answer": "Ctrl"}\n'
     '{"question": "Ctrl", "answer": "top"}\n'),
]


@test("check")
def check_stats_and_export_take_several_files(tmp, golden):
    notes_tree(tmp)
    write(os.path.join(tmp, "lost.vendu"), b"\r\n" + Q + b"\r\nq")
    for args, status, out in CHECK_MANY:
        rc, got, err = run(args, tmp)
        expect((rc, got.decode("utf-8")) == (status, out), f"{args}: {rc} {got!r} {err}")


# ---------------------------------------------------------------- output

SMALL_DISK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e",
                          "small-disk.sh")


def closed_pipe_write_end():
    r, w = os.pipe()
    os.close(r)
    return w


@test("output", windows=True)
def failed_output_is_an_error(tmp, golden):
    name = search_file(tmp)
    commands = [["export", name, "--format=csv"], ["search", name, "A"], ["check", name]]
    for command in commands:
        who = "vendu " + command[0]
        with open("/dev/full", "wb") as full:
            rc, out, err = run(command, tmp, stdout=full)
        expect(rc == 2 and f"{who}: writing standard output failed: " in err,
               f"{command} > /dev/full: {rc} {err}")
        for quiet_sigpipe in (False, True):
            w = closed_pipe_write_end()
            try:
                rc, out, err = run(command, tmp, stdout=w, quiet_sigpipe=quiet_sigpipe)
            finally:
                os.close(w)
            # Natively the signal ends it; without the signal (and on Windows) status 2.
            expect(rc != 0 and "vendu" not in err and (rc == 2 or not quiet_sigpipe),
                   f"{command} into a closed pipe (signal ignored: {quiet_sigpipe}): {rc} {err}")
    if OPTIONS.windows_subset:
        return
    disk = os.path.join(tmp, "disk")
    subprocess.run(["bash", SMALL_DISK, "setup", disk], check=True, capture_output=True)
    try:
        if not os.path.exists(os.path.join(disk, ".small-disk")):
            note("no full disk: mounting a tmpfs needs root")
            return
        filler = os.open(os.path.join(disk, "filler"), os.O_WRONLY | os.O_CREAT)
        try:
            while os.write(filler, b"f" * 4096) > 0:
                pass
        except OSError:
            pass
        finally:
            os.close(filler)
        for command in commands:
            with open(os.path.join(disk, "out"), "wb") as target:
                rc, out, err = run(command, tmp, stdout=target)
            expect(rc == 2 and "writing standard output failed: No space left on device" in err,
                   f"{command} onto a full disk: {rc} {err}")
    finally:
        subprocess.run(["bash", SMALL_DISK, "cleanup", disk], capture_output=True)


# ---------------------------------------------------------------- memory

@test("memory", windows=True)
def files_beyond_memory_are_errors(tmp, golden):
    def sparse(name, size, head=b""):
        with open(os.path.join(tmp, name), "wb") as f:
            f.write(head)
            f.truncate(size)
    sparse("huge.vendu", 900 << 30)
    sparse("big.vendu", 768 << 20)
    sparse("one-entry.vendu", 768 << 20, Q)
    write(os.path.join(tmp, "t.vendu"), b"")
    huge = "huge.vendu: does not fit in memory (966367641600 bytes)"
    cases = [  # command, address space limit, message
        (["check", "huge.vendu"], None, huge),
        (["export", "huge.vendu", "--format=jsonl"], None, huge),
        (["add", "t.vendu", "--question-file", "huge.vendu", "--answer", "a"], None, huge),
        (["check", "huge.vendu"], 512 << 20, huge),
        (["check", "big.vendu"], 512 << 20, "big.vendu: does not fit in memory"),
        (["search", "one-entry.vendu", "x"], 512 << 20, "vendu search: out of memory"),
    ]
    for command, memory, message in cases:
        if memory and (OPTIONS.sanitized or OPTIONS.windows_subset):
            continue  # the sanitizers and Wine need more address space than the limit
        rc, out, err = run(command, tmp, memory=memory)
        expect(rc == 2 and message in err, f"{command}, limit {memory}: {rc} {err}")
    expect(read(os.path.join(tmp, "t.vendu")) == b"", "file changed")
    if OPTIONS.sanitized or OPTIONS.windows_subset:
        note("the cases under a memory limit run in the plain native build only")


@test("memory", portable=False)
def memory_stays_within_the_largest_entry(tmp, golden):
    # A file three times the address space vendu is given: read a window of whole entries at
    # a time, it is checked, searched, exported and summed up within that limit all the same.
    if OPTIONS.sanitized:
        note("the sanitizers need more address space than the limit")
        return
    limit = 40 << 20
    count = 560000
    filler = b"x" * 200
    data = b"".join(record(b"question %d" % i, b"answer %d %s%s" % (
        i, filler, b" token" if i % 1000 == 7 else b"")) for i in range(count))
    expect(len(data) > 3 * limit, f"only {len(data)} bytes")
    write(os.path.join(tmp, "big.vendu"), data)
    rc, out, err = run(["check", "big.vendu"], tmp, memory=limit)
    expect(rc == 0 and out == b"big.vendu: %d entries, 0 errors, 0 warnings\n" % count,
           f"check: {rc} {out!r} {err}")
    rc, out, err = run(["search", "--count", "big.vendu", "token"], tmp, memory=limit)
    expect(rc == 0 and out == b"%d\n" % (count // 1000), f"search: {rc} {out!r} {err}")
    with open(os.path.join(tmp, "big.csv"), "wb") as target:
        rc, _, err = run(["export", "big.vendu", "--format=csv", "--raw"], tmp, memory=limit,
                         stdout=target)
    exported = read(os.path.join(tmp, "big.csv"))
    expect(rc == 0 and exported.count(b"question ") == count and
           exported.rstrip().endswith(b"answer %d %s\"" % (count - 1, filler)),
           f"export: {rc} {len(exported)} bytes {err}")
    last = b"answer %d %s" % (count - 1, filler)
    for fmt, end in (("html", b'%s"]\n]</script>' % last), ("md", b"> %s\n" % last)):
        with open(os.path.join(tmp, "big." + fmt), "w+b") as target:
            rc, _, err = run(["export", "big.vendu", "--format=" + fmt], tmp, memory=limit,
                             stdout=target)
            target.seek(0)
            head = target.read(4096)
            target.seek(max(0, target.seek(0, os.SEEK_END) - 4096))
            tail = target.read()
        expect(rc == 0 and "搜索：%d条结果".encode() % count in head and end in tail,
               f"export --format={fmt}: {rc} {tail[-200:]!r} {err}")
    rc, out, err = run(["stats", "big.vendu"], tmp, memory=limit)
    expect(rc == 0 and out.startswith(b"big.vendu: %d entries, %d bytes\n" % (count, len(data)))
           and out.endswith(b"findings: 0 errors, 0 warnings\n"), f"stats: {rc} {out!r} {err}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--golden", required=True)
    parser.add_argument("--group")
    parser.add_argument("--windows-subset", action="store_true")
    parser.add_argument("--hold-at-call")
    parser.add_argument("--sanitized", action="store_true")
    parser.add_argument("command", nargs="+")
    args = parser.parse_args()
    OPTIONS.hold_at_call = args.hold_at_call and os.path.abspath(args.hold_at_call)
    OPTIONS.sanitized = args.sanitized
    OPTIONS.windows_subset = args.windows_subset
    # Each case runs in its own folder: paths given relative to here must still work.
    VENDU.extend(os.path.abspath(c) if os.path.exists(c) else c for c in args.command)
    passed = failed = 0
    for group, windows, fn in TESTS:
        if (args.group and group != args.group) or (args.windows_subset and not windows):
            continue
        with tempfile.TemporaryDirectory() as tmp:
            start = time.monotonic()
            try:
                fn(tmp, os.path.abspath(args.golden))
                passed += 1
                print(f"ok    {group}: {fn.__name__} ({time.monotonic() - start:.1f} s)")
            except Exception as e:  # report every case, then fail
                failed += 1
                print(f"FAIL  {group}: {fn.__name__}: {e}")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main())
