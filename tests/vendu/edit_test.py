#!/usr/bin/env python3
"""Drives vendu's editing commands, its rewrite of a file and its readable exports as a user
would: fix, convert, dedupe, rm, edit, merge and stats against golden cases; the rewrite
killed at random points; the HTML page in a real browser; Markdown and HTML against the
entries.

usage: edit_test.py --golden DIR [--group NAME] [--windows-subset] [--sanitized]
                    [--crash-at-call LIB] -- COMMAND...
The runner, its options and the helpers are cli_test.py's; --crash-at-call names the
LD_PRELOAD helper that kills vendu at a chosen call (crash_at_call.c).
"""
import base64
import contextlib
import fcntl
import html
import html.parser
import json
import os
import random
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True  # no cache of cli_test.py left in the source tree
import cli_test as base  # noqa: E402
from cli_test import A, EMPTY, MARKER, Q, expect, note, read, record, run, write  # noqa: E402

base.TESTS.clear()  # only the cases of this file
test = base.test
# Set from the command line: the LD_PRELOAD helper of the crash cases, and the Windows
# program that holds a file for the Windows build's cases.
CRASH_AT_CALL = None
HOLDER = None


def gbk(text):
    return text.encode("gbk")


# ---------------------------------------------------------------- golden cases

CLEAN = record(b"q1", b"a1") + record(b"q2", b"a2")
MESSY = (b"notes\r\n" + Q + b"\r\nlost" + record(b"q1", b"a\0\0b") + b"\r\n" + Q + b"\nq2\n" + A
         + b"\na2 (%q%)" + record(b"q1", b"a\0\0b") + b"\r\n" + Q + b"\r\nlast")
MESSY_FIXED = (b"notes\r\n" + Q + b"\r\nlost\r\n" + A + b"\r\n" + Q + b"\r\nq1\r\n" + A
               + b"\r\nab" + record(b"q2", b"a2 (%q%)") + record(b"q1", b"ab") + b"\r\n" + Q
               + b"\r\nlast\r\n" + A)
MESSY_REPORT = """t.vendu:1:1: left: text before the first question marker is ignored: "notes" [preamble-text]
t.vendu:2:1: mended: the lost question "lost" gets an empty answer [lost-entry]
t.vendu:7:2: mended: 2 NUL bytes removed [nul-bytes]
t.vendu:11:4: left: "(%q%)" looks like a marker but is plain text: correct it by hand if it is meant as one [look-alike-marker]
t.vendu:12:1: left: entry 3 repeats entry 1 exactly: 'vendu dedupe' removes repeats [duplicate-entry]
t.vendu:15:2: mended: 2 NUL bytes removed [nul-bytes]
t.vendu:16:1: mended: the lost question "last" gets an empty answer [lost-entry]
t.vendu:8:6: mended: 3 line breaks of a lone LF made CR LF, the first here [lf-line-breaks]
"""
UTF8_TEXT = "笔记\r\n(%Q%)\r\n问题\r\n(%A%)\r\n回答 "
UTF8 = ("\ufeff" + UTF8_TEXT + "€").encode("utf-8")
UTF8_EMOJI = "\r\n(%Q%)\r\n问题😀\r\n(%A%)\r\n回答\r\n♫😀".encode("utf-8")
THREE = record(b"q", b"a") + record(b"q2", b"a2") + record(b"q", b"a") + record(b"q", b"a")
LF_FILE = b"\n" + Q + b"\nq1\n" + A + b"\na1\n" + Q + b"\nq2\n" + A + b"\na2"

# Each: what the case shows, the file t.vendu, the arguments, the exit status, standard output
# (exactly; None: not compared), a piece of standard error, the file afterwards (None:
# unchanged), whether t.vendu.bak holds the old bytes (False: there is none), and whether the
# case also runs under Wine.
CASES = [
    ("fix: a clean file is left alone", CLEAN, ["fix", "t.vendu"], 0,
     "t.vendu: nothing to mend\n", "", None, False, True),
    ("fix: each mend and each finding left", MESSY, ["fix", "t.vendu"], 1,
     MESSY_REPORT + "t.vendu: 5 mends written (the old version is t.vendu.bak), 3 findings left"
     " as they are\n", "", MESSY_FIXED, True, True),
    ("fix --dry-run writes nothing", MESSY, ["fix", "--dry-run", "t.vendu"], 1,
     MESSY_REPORT + "t.vendu: 5 mends to make, 3 findings left as they are (--dry-run: nothing"
     " was written)\n", "", None, False, False),
    ("fix: LF alone becomes CR LF, no backup", LF_FILE, ["fix", "--no-backup", "t.vendu"], 0,
     "t.vendu:1:1: mended: 8 line breaks of a lone LF made CR LF, the first here "
     "[lf-line-breaks]\nt.vendu: 1 mend written\n", "", CLEAN, False, False),
    ("fix: NUL bytes that hold a marker apart stay", record(b"q", b"a(%\0A%)b"),
     ["fix", "t.vendu"], 1, None, "", None, False, False),
    ("convert: UTF-8 with a byte-order mark", UTF8, ["convert", "t.vendu"], 0,
     "t.vendu: converted from UTF-8 with a byte-order mark to code page 936 (the old version is"
     " t.vendu.bak)\n", "", UTF8_TEXT.encode("gbk") + b"\x80", True, True),
    ("convert: each place the code page cannot hold", UTF8_EMOJI, ["convert", "t.vendu"], 1, "",
     'vendu convert: t.vendu:3:7: entry 1: "😀" (U+1F600) has no code page 936 form\n'
     'vendu convert: t.vendu:6:1: entry 1: "♫" (U+266B) has no code page 936 form\n'
     'vendu convert: t.vendu:6:4: entry 1: "😀" (U+1F600) has no code page 936 form\n'
     "vendu convert: t.vendu: 3 characters that code page 936 cannot hold; nothing was written",
     None, False, True),
    ("convert: a code page 936 file is not UTF-8", record(gbk("问题"), b"a"),
     ["convert", "t.vendu"], 1, "", "t.vendu:3:1: byte CE is not UTF-8", None, False, False),
    ("convert: ASCII is the same in both", CLEAN, ["convert", "t.vendu"], 0,
     "t.vendu: nothing to convert: it holds only ASCII, the same in both\n", "", None, False,
     False),
    ("dedupe keeps the first copy; the last record goes with its line break", THREE,
     ["dedupe", "t.vendu"], 0,
     "t.vendu:10:1: removed entry 3, a repeat of entry 1\n"
     "t.vendu:14:1: removed entry 4, a repeat of entry 1\n"
     "t.vendu: 2 repeats removed (the old version is t.vendu.bak)\n", "",
     record(b"q", b"a") + record(b"q2", b"a2"), True, True),
    ("dedupe: no repeats", CLEAN, ["dedupe", "t.vendu"], 0, "t.vendu: no repeats\n", "", None,
     False, False),
    ("rm: entries in any order, once each", THREE + record(b"x", b"y"),
     ["rm", "t.vendu", "4", "2", "4"], 0,
     "removed entry 2: q2/a2\nremoved entry 4: q/a\n"
     "t.vendu: 2 entries removed (the old version is t.vendu.bak)\n", "",
     record(b"q", b"a") + record(b"q", b"a") + record(b"x", b"y"), True, True),
    ("rm: the last record gives back the file before it was added", CLEAN,
     ["rm", "--no-backup", "t.vendu", "2"], 0, None, "", record(b"q1", b"a1"), False, False),
    ("rm: every entry of a file of records leaves it empty", CLEAN,
     ["rm", "t.vendu", "2", "1"], 0, None, "", b"", True, False),
    ("rm: no such entry", CLEAN, ["rm", "t.vendu", "1", "3"], 1, "",
     "vendu rm: t.vendu: no entry 3 (the file has 2 entries); nothing was removed", None, False,
     False),
    ("rm: not a number", CLEAN, ["rm", "t.vendu", "first"], 2, "",
     'the entry number is a whole number from 1, not "first"', None, False, False),
    ("edit: the answer, inside the line breaks it had", CLEAN,
     ["edit", "t.vendu", "1", "--answer", "新的"], 0,
     "t.vendu: entry 1 changed (the old version is t.vendu.bak)\n", "",
     record(b"q1", gbk("新的")) + record(b"q2", b"a2"), True, True),
    ("edit: both texts of a hand-made entry keep its style", LF_FILE,
     ["edit", "t.vendu", "2", "--question", "Q", "--answer", "two\nlines"], 0, None, "",
     b"\n" + Q + b"\nq1\n" + A + b"\na1\n" + Q + b"\nQ\n" + A + b"\ntwo\nlines", True, False),
    ("edit: the checks of add, first the question's", CLEAN,
     ["edit", "t.vendu", "2", "--question", "x(%A%)", "--answer", ""], 1, "",
     f"vendu edit: {MARKER} (the question; nothing was changed)", None, False, True),
    ("edit: an empty answer", CLEAN, ["edit", "t.vendu", "2", "--answer", ""], 1, "",
     f"vendu edit: {EMPTY} (the answer; nothing was changed)", None, False, False),
    ("edit: a control character", CLEAN, ["edit", "t.vendu", "1", "--answer", "a\x1bb"], 1, "",
     "the answer holds the control character U+001B", None, False, False),
    ("edit: no such entry", CLEAN, ["edit", "t.vendu", "3", "--answer", "x"], 1, "",
     "vendu edit: t.vendu: no entry 3 (the file has 2 entries)", None, False, False),
    ("edit: nothing to change", CLEAN, ["edit", "t.vendu", "1"], 2, "",
     "give the new question, the new answer or both", None, False, False),
    ("merge: the other files' entries as records", record(b"t", b"u"),
     ["merge", "m1.vendu", "m2.vendu", "--into", "t.vendu"], 0,
     "t.vendu: 3 entries added from 2 files (the old version is t.vendu.bak)\n", "",
     record(b"t", b"u") + record(b"q1", b"a1") + record(b"q2", b"a2") + record(b"h", b"m"), True,
     True),
    ("merge --dedupe skips what is there", record(b"q1", b"a1"),
     ["merge", "m1.vendu", "m2.vendu", "t.vendu", "--into", "t.vendu", "--dedupe"], 0,
     "t.vendu: 2 entries added from 3 files, 2 already there skipped (the old version is "
     "t.vendu.bak)\n", "", record(b"q1", b"a1") + record(b"q2", b"a2") + record(b"h", b"m"),
     True, False),
    ("stats", MESSY, ["stats", "t.vendu"], 0,
     "t.vendu: 3 entries, 104 bytes\nencoding: GBK\nlargest entry: 2 (25 bytes)\n"
     "repeats: 1 entry repeats an earlier one\n"
     "findings: 2 errors, 5 warnings ('vendu check' lists them)\n", "", None, False, True),
    ("stats --json", CLEAN, ["stats", "--json", "t.vendu"], 0,
     '{"file": "t.vendu", "entries": 2, "bytes": 44, "encoding": "GBK", '
     '"byte_order_mark": false, "largest_entry": 1, '
     '"largest_entry_bytes": 22, "repeats": 0, "errors": 0, "warnings": 0}\n', "", None, False,
     False),
]


@test("edit", windows=True)
def golden_cases(tmp, golden_dir):
    # Under Wine only the cases marked for it: each start there costs a good part of a second.
    failures = []
    for name, data, args, rc, out, err, after, backup, windows in CASES:
        if base.OPTIONS.windows_subset and not windows:
            continue
        folder = tempfile.mkdtemp(dir=tmp)
        path = os.path.join(folder, "t.vendu")
        write(path, data)
        write(os.path.join(folder, "m1.vendu"), CLEAN)
        write(os.path.join(folder, "m2.vendu"), b"\n" + Q + b"\nh\n" + A + b"\nm")
        got_rc, got_out, got_err = run(args, folder)
        problems = []
        if got_rc != rc:
            problems.append(f"exit status {got_rc}")
        if out is not None and got_out.decode("utf-8", "replace") != out:
            problems.append(f"output {got_out.decode('utf-8', 'replace')!r}")
        if err not in got_err:
            problems.append(f"standard error {got_err!r}")
        if read(path) != (data if after is None else after):
            problems.append(f"file {read(path)!r}")
        bak = os.path.join(folder, "t.vendu.bak")
        if backup != os.path.exists(bak) or (backup and read(bak) != data):
            problems.append("backup " + (repr(read(bak)) if os.path.exists(bak) else "none"))
        leftovers = set(os.listdir(folder)) - {"t.vendu", "t.vendu.bak", "m1.vendu", "m2.vendu"}
        if leftovers:
            problems.append(f"left behind {leftovers}")
        if problems:
            failures.append(f"{name}: " + "; ".join(problems))
    expect(not failures, "\n        ".join([""] + failures))


# ---------------------------------------------------------------- encodings

def records(entries, encode):
    return encode("".join(f"\r\n(%Q%)\r\n{q}\r\n(%A%)\r\n{a}" for q, a in entries))


# Each: name, the file's mark, how its text is encoded, what stats calls it.
ENCODINGS = [
    ("UTF-8 with its mark", b"\xef\xbb\xbf", lambda s: s.encode("utf-8"),
     "UTF-8 (with a byte-order mark)"),
    ("UTF-8 without a mark", b"", lambda s: s.encode("utf-8"), "UTF-8"),
    ("UTF-16LE", b"\xff\xfe", lambda s: s.encode("utf-16-le"), "UTF-16LE (with a byte-order mark)"),
    ("UTF-16BE", b"\xfe\xff", lambda s: s.encode("utf-16-be"), "UTF-16BE (with a byte-order mark)"),
    ("GBK", b"", lambda s: s.encode("gbk"), "GBK"),
]
# Each: the arguments, the entries of t.vendu afterwards (None: as before), and a piece of
# standard output.
ENCODING_STEPS = [
    (["add", "t.vendu", "--question", "打印机", "--answer", "重启"],
     [("截图", "按 PrtSc"), ("打印机", "重启")], "added 1 entry"),
    (["import", "rows.csv", "--into", "t.vendu"],
     [("截图", "按 PrtSc"), ("打印机", "重启"), ("扫描", "扫描仪\n两行")], "added 1 entry"),
    (["edit", "t.vendu", "1", "--answer", "新的答案"],
     [("截图", "新的答案"), ("打印机", "重启"), ("扫描", "扫描仪\n两行")], "entry 1 changed"),
    (["rm", "t.vendu", "2"], [("截图", "新的答案"), ("扫描", "扫描仪\n两行")], "1 entry removed"),
    (["merge", "g.vendu", "u.vendu", "--into", "t.vendu"],
     [("截图", "新的答案"), ("扫描", "扫描仪\n两行"), ("合并", "来自 GBK"), ("合并", "来自 UTF-8")],
     "2 entries added"),
    (["search", "--count", "t.vendu", "合并"], None, "2\n"),
    (["show", "--json", "t.vendu", "2"], None,
     '{"entry": 2, "question": "扫描", "answer": "扫描仪\\n两行"}'),
    (["export", "--format=jsonl", "t.vendu"], None, '"answer": "来自 UTF-8"}'),
    (["check", "t.vendu"], None, "t.vendu: 4 entries, 0 errors, 0 warnings\n"),
]


@test("edit", windows=True)
def every_command_keeps_each_files_encoding(tmp, golden_dir):
    # The same steps on a file in each encoding: it reads as written and keeps its encoding,
    # its mark as it was, byte for byte; the texts given arrive in it whatever theirs.
    failures = []
    for name, mark, encode, called in ENCODINGS:
        folder = tempfile.mkdtemp(dir=tmp)
        path = os.path.join(folder, "t.vendu")
        entries = [("截图", "按 PrtSc")]
        write(path, mark + records(entries, encode))
        write(os.path.join(folder, "rows.csv"), "question,answer\r\n扫描,\"扫描仪\n两行\"\r\n".encode())
        write(os.path.join(folder, "g.vendu"), records([("合并", "来自 GBK")], gbk))
        write(os.path.join(folder, "u.vendu"),
              b"\xef\xbb\xbf" + records([("合并", "来自 UTF-8")], lambda s: s.encode()))
        for args, after, said in ENCODING_STEPS + [(["stats", "t.vendu"], None, called)]:
            rc, out, err = run(args + ["--no-backup"] * (args[0] in ("edit", "rm", "merge")),
                               folder)
            entries = after or entries
            if rc != 0 or said not in out.decode("utf-8", "replace"):
                failures.append(f"{name}: {args[0]}: {rc} {out!r} {err}")
            elif read(path) != mark + records(entries, encode):
                failures.append(f"{name}: {args[0]}: the file is {read(path)!r}")
    expect(not failures, "\n        ".join([""] + failures))


@test("edit", windows=True)
def standard_input_is_read_in_its_encoding(tmp, golden_dir):
    # Some hundred kilobytes: a GBK input is decided in its first piece and the rest read as it
    # comes; a UTF-8 one only at its end, a UTF-16 one read whole. Each gives what the file does.
    entries = [(f"问题 {i}", f"回答 {i} " + "文字" * (i % 60)) for i in range(2000)]
    path = os.path.join(tmp, "t.vendu")
    failures = []
    for name, mark, encode, _ in [ENCODINGS[1], ENCODINGS[2], ENCODINGS[4]]:
        write(path, mark + records(entries, encode))
        for args in (["search", "--count", "@", "回答 29"], ["show", "--jsonl", "@", "1999"],
                     ["export", "--format=jsonl", "@"]):
            by_name = run([a.replace("@", "t.vendu") for a in args], tmp)
            piped = run([a.replace("@", "-") for a in args], tmp, stdin=read(path))
            if by_name[:2] != piped[:2] or by_name[0] != 0:
                failures.append(f"{name}: {args[0]}: {by_name[0]} {piped[0]} {piped[2]}")
    expect(not failures, "\n        ".join([""] + failures))


# Each: the file, the command, its exit status, a piece of its output (standard output and
# error), the file afterwards (None: unchanged).
UTF8_FILE = b"\xef\xbb\xbf" + records([("问题", "回答")], lambda s: s.encode())
MIXED = UTF8_FILE + records([("问题", "第二个回答")], gbk)
UTF16_EMOJI = b"\xff\xfe" + records([("问", "答"), ("表情", "😀")], lambda s: s.encode("utf-16-le"))
ENCODING_CASES = [
    ("a text GBK cannot hold goes into a UTF-8 file", UTF8_FILE,
     ["add", "t.vendu", "--question", "表情", "--answer", "😀"], 0, "added 1 entry",
     UTF8_FILE + records([("表情", "😀")], lambda s: s.encode())),
    ("and is refused by a GBK file, named", records([("问题", "回答")], gbk),
     ["add", "t.vendu", "--question", "表情", "--answer", "😀"], 2,
     '"😀" at byte 1 has no code page 936 form; nothing was added', None),
    ("a keyword the file cannot hold matches nothing", records([("问题", "回答")], gbk),
     ["search", "t.vendu", "😀"], 1, "which cannot hold \"😀\" (U+1F600): the keyword matches "
     "nothing in it", None),
    ("check names the first entry in the other encoding", MIXED, ["check", "t.vendu"], 1,
     "t.vendu:6:1: warning: the file is UTF-8, but entry 2 is in GBK (1 entry in all): it will "
     "not show as written [mixed-encoding]", None),
    ("fix converts it to the file's encoding", MIXED, ["fix", "--no-backup", "t.vendu"], 0,
     "t.vendu:6:1: mended: entry 2 converted from GBK to UTF-8, the file's encoding "
     "[mixed-encoding]", UTF8_FILE + records([("问题", "第二个回答")], lambda s: s.encode())),
    ("fix leaves an entry that reads both ways", records([("问题", "回答")], gbk)
     + records([("问题", "回答")], lambda s: s.encode()), ["fix", "t.vendu"], 1,
     "left: entry 2 is in UTF-8, the file in GBK; it reads as GBK as well as UTF-8", None),
    ("convert --to gbk names the entry of a character GBK lacks", UTF16_EMOJI,
     ["convert", "t.vendu", "--to", "gbk"], 1,
     'vendu convert: t.vendu:9:1: entry 2: "😀" (U+1F600) has no code page 936 form', None),
    ("convert --to gbk from UTF-16", b"\xff\xfe" + records([("问", "答")],
                                                          lambda s: s.encode("utf-16-le")),
     ["convert", "--no-backup", "t.vendu", "--to", "gbk"], 0,
     "converted from UTF-16LE to code page 936", records([("问", "答")], gbk)),
    ("convert --to utf-8 from GBK, no mark needed", records([("问题", "回答")], gbk),
     ["convert", "--no-backup", "t.vendu", "--to", "utf-8"], 0,
     "converted from code page 936 to UTF-8", records([("问题", "回答")], lambda s: s.encode())),
    ("convert --to utf-8 marks what would read as GBK", records([("q", "a")], gbk),
     ["convert", "--no-backup", "t.vendu", "--to", "utf-8"], 0,
     "with a byte-order mark, without which", b"\xef\xbb\xbf" + records([("q", "a")], gbk)),
    ("convert --to utf-8: UTF-8 already", UTF8_FILE, ["convert", "t.vendu", "--to", "utf-8"], 0,
     "nothing to convert: it is UTF-8 already", None),
    ("merge refuses what the target cannot hold, named", records([("问题", "回答")], gbk),
     ["merge", "u.vendu", "--into", "t.vendu"], 2,
     'u.vendu: entry 2: the answer holds "😀" (U+1F600), which GBK cannot hold; nothing was '
     "added", None),
]


@test("edit", windows=True)
def encodings_are_kept_converted_or_refused(tmp, golden_dir):
    failures = []
    for name, data, args, rc, said, after in ENCODING_CASES:
        folder = tempfile.mkdtemp(dir=tmp)
        path = os.path.join(folder, "t.vendu")
        write(path, data)
        write(os.path.join(folder, "u.vendu"), UTF16_EMOJI)
        got_rc, out, err = run(args, folder)
        told = out.decode("utf-8", "replace") + err
        if got_rc != rc or said not in told:
            failures.append(f"{name}: {got_rc} {told!r}")
        elif read(path) != (data if after is None else after):
            failures.append(f"{name}: the file is {read(path)!r}")
    expect(not failures, "\n        ".join([""] + failures))


# ---------------------------------------------------------------- rewrite

@contextlib.contextmanager
def held(folder, name, reader):
    """Another program holds the file: a reader (shared) or a writer (alone)."""
    if HOLDER:  # the Windows build: share modes, which only a Windows program can take
        p = subprocess.Popen(base.VENDU[:-1] + [HOLDER, name, "read" if reader else "write"],
                             cwd=folder, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE)
        said = p.stdout.readline().strip()
        try:
            if said == b"held":
                yield
        finally:
            _, err = p.communicate(b"", timeout=60)
        expect(said == b"held", f"the holder did not get the file: {p.returncode} {said!r} {err!r}")
    else:
        with open(os.path.join(folder, name), "rb") as f:
            fcntl.flock(f, fcntl.LOCK_SH if reader else fcntl.LOCK_EX)
            yield


@test("rewrite", windows=True)
def a_held_file_is_waited_for_then_left_alone(tmp, golden_dir):
    path = os.path.join(tmp, "t.vendu")
    write(path, MESSY)
    commands = [["fix", "t.vendu"], ["dedupe", "t.vendu"], ["rm", "t.vendu", "1"],
                ["edit", "t.vendu", "1", "--answer", "x"], ["convert", "t.vendu"],
                ["merge", "m.vendu", "--into", "t.vendu"]]
    write(os.path.join(tmp, "m.vendu"), CLEAN)
    for reader in (True, False):
        with held(tmp, "t.vendu", reader):
            for command in commands:
                began = time.monotonic()
                rc, out, err = run(command + ["--wait", "0.3"], tmp)
                expect(rc == 2 and "t.vendu: in use by another program" in err,
                       f"{command} beside a {'reader' if reader else 'writer'}: {rc} {err}")
                expect(time.monotonic() - began >= 0.3, f"{command}: did not wait")
    expect(read(path) == MESSY and sorted(os.listdir(tmp)) == ["m.vendu", "t.vendu"],
           f"changed: {os.listdir(tmp)}")
    # Let go within the wait: the rewrite goes ahead.
    with held(tmp, "t.vendu", True):
        p = base.start(["dedupe", "t.vendu"], tmp)
        time.sleep(0.5)
    out, err = p.communicate(timeout=60)
    expect(p.returncode == 0 and read(path + ".bak") == MESSY, f"{p.returncode} {err}")


@test("rewrite", portable=False)
def rewrites_killed_at_any_point_leave_the_old_or_the_new_file(tmp, golden_dir):
    # 50 rewrites, each killed just before one of its calls that touch files, chosen at random:
    # the file is always the old or the new one, byte for byte, and the backup a whole version.
    expect(CRASH_AT_CALL, "needs --crash-at-call")
    if base.OPTIONS.sanitized:
        note("left to the plain build: the helper's call counts are the plain build's")
        return
    rng = random.Random(15)
    live, scratch = os.path.join(tmp, "live"), os.path.join(tmp, "scratch")
    os.mkdir(live)
    path = os.path.join(live, "t.vendu")
    write(path, b"".join(record(b"q%d" % i, b"a%d " % i * rng.randrange(1, 40))
                         for i in range(400)))
    env = dict(os.environ, LD_PRELOAD=CRASH_AT_CALL,
               ASAN_OPTIONS="verify_asan_link_order=0:" + os.environ.get("ASAN_OPTIONS", ""))
    killed = 0
    for i in range(50):
        command = (["edit", "t.vendu", str(rng.randrange(1, 300)), "--answer",
                    "version %d " % i * rng.randrange(1, 300)] if i % 3 else
                   ["rm", "t.vendu", str(rng.randrange(1, 300))])
        old = read(path)
        backup = read(path + ".bak") if os.path.exists(path + ".bak") else None
        # The same rewrite, whole, on a copy: the new bytes, and how many calls it makes.
        shutil.rmtree(scratch, ignore_errors=True)
        os.mkdir(scratch)
        write(os.path.join(scratch, "t.vendu"), old)
        count = os.path.join(tmp, "count")
        rc, _, err = run(command, scratch, env=dict(env, VENDU_CRASH_COUNT=count))
        expect(rc == 0, f"{command}: {rc} {err}")
        new = read(os.path.join(scratch, "t.vendu"))
        at = rng.randrange(1, int(read(count)) + 1)
        rc, _, err = run(command, live, env=dict(env, VENDU_CRASH_AT=str(at)))
        killed += rc == -9
        now = read(path)
        expect(now in (old, new), f"rewrite {i}, killed at call {at}: the file is neither")
        bak = read(path + ".bak") if os.path.exists(path + ".bak") else None
        expect(bak in (backup, old) and (now == old or bak == old),
               f"rewrite {i}, killed at call {at}: the backup is not a whole version")
    expect(killed >= 40, f"only {killed} of 50 runs were killed")
    leftovers = [n for n in os.listdir(live)
                 if n not in ("t.vendu", "t.vendu.bak") and not n.startswith("t.vendu.bak.")]
    expect(all(n.startswith(".t.vendu.") for n in leftovers), f"stray files {leftovers}")
    note(f"{killed} runs killed; {len(leftovers)} new files of killed runs left beside the file")


@test("rewrite", windows=True)
def rewriters_writers_and_readers_together_lose_nothing(tmp, golden_dir):
    # Appends, rewrites and searches on one file at once: every entry added survives.
    path = os.path.join(tmp, "s.vendu")
    write(path, record(b"first", b"entry") + record(b"dup", b"x") + record(b"dup", b"x"))
    failures = []
    rounds = 8 if base.OPTIONS.windows_subset else 25

    def adder(w):
        for k in range(rounds):
            rc, out, err = run(["add", "s.vendu", "--question", f"w{w} q{k}", "--answer",
                                "a"], tmp)
            if rc != 0:
                failures.append(f"add: {rc} {err}")

    def rewriter(r):
        for k in range(rounds):
            command = (["edit", "s.vendu", "1", "--answer", f"r{r} k{k}"] if k % 2 else
                       ["fix", "s.vendu"])
            rc, out, err = run(command, tmp)
            # Where a file cannot be replaced while open (Windows), an append that comes in
            # just before the rename makes the rewrite give up, leaving the file to it.
            if rc not in (0, 1) and not (base.OPTIONS.windows_subset and
                                         "changed it meanwhile" in err):
                failures.append(f"{command}: {rc} {err}")

    def reader():
        for k in range(rounds):
            rc, out, err = run(["search", "--count", "s.vendu", "first"], tmp)
            if (rc, out) != (0, b"1\n"):
                failures.append(f"search: {rc} {out!r} {err}")

    threads = ([threading.Thread(target=adder, args=(w,)) for w in range(4)]
               + [threading.Thread(target=rewriter, args=(r,)) for r in range(2)]
               + [threading.Thread(target=reader)])
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    expect(not failures, f"{len(failures)} runs failed, first: {failures[:3]}")
    data = read(path)
    for w in range(4):
        for k in range(rounds):
            expect(record(b"w%d q%d" % (w, k), b"a") in data + b"\r\n", f"w{w} q{k} was lost")
    rc, out, err = run(["check", "s.vendu"], tmp)
    expect(rc == 1 and b"0 errors, 1 warning" in out, f"{rc} {out!r}")


@test("rewrite", windows=True)
def appends_of_programs_that_ignore_the_lock_are_kept(tmp, golden_dir):
    # 300 appends the way ">>" makes them (open, append, close, no lock) while two rewriters
    # loop rm and edit: every one is in the file, each whole, and the rewrites say so.
    path = os.path.join(tmp, "s.vendu")
    write(path, b"".join(record(b"base %d" % i, b"x" * 40) for i in range(600)))
    done = threading.Event()
    failures, kept = [], []

    def rewriter(command):
        k = 0
        while not done.is_set() or k < 2:
            rc, out, err = run(command(k), tmp)
            k += 1
            # Where a file cannot be replaced while open (Windows), another rewrite that
            # comes in just before the replace makes this one give up, leaving the file to it.
            if rc != 0 and not (base.OPTIONS.windows_subset and "changed it meanwhile" in err):
                failures.append(f"{command(k)}: {rc} {err}")
            kept.extend(re.findall(rb"s.vendu: (\d+) entr(?:y|ies) appended by another program "
                                   rb"meanwhile (?:was|were) kept\n", out))
    rewriters = [threading.Thread(target=rewriter, args=(lambda k: ["rm", "s.vendu", "1"],)),
                 threading.Thread(target=rewriter, args=(
                     lambda k: ["edit", "s.vendu", "1", "--answer", f"edit {k}"],))]
    for t in rewriters:
        t.start()
    pause = 0.015 if base.OPTIONS.windows_subset else 0.004
    for i in range(300):
        with open(path, "ab") as f:
            f.write(record(b"appended %d" % i, b"y"))
        time.sleep(pause)
    done.set()
    for t in rewriters:
        t.join()
    expect(not failures, f"{len(failures)} runs failed, first: {failures[:3]}")
    data = read(path) + b"\r\n"
    lost = [i for i in range(300) if record(b"appended %d" % i, b"y") + b"\r\n" not in data]
    expect(not lost, f"{len(lost)} appends lost: {lost[:10]}")
    rc, out, err = run(["check", "s.vendu"], tmp)
    expect(rc == 0 and b" 0 errors, 0 warnings" in out, f"{rc} {out!r}")
    expect(sorted(os.listdir(tmp)) == ["s.vendu", "s.vendu.bak", "s.vendu.bak.1", "s.vendu.bak.2"],
           f"left: {os.listdir(tmp)}")
    note(f"{sum(int(n) for n in kept)} appends kept by {len(kept)} rewrites")


def attributes(name, folder):
    """The file's attribute letters as Windows tells them (attrib, under Wine)."""
    p = subprocess.run(base.VENDU[:-1] + ["attrib", name], cwd=folder, capture_output=True)
    return set(p.stdout.decode("utf-8", "replace").split(":")[0].split()[:-1])


@test("rewrite", windows=True)
def a_rewrite_keeps_the_files_identity(tmp, golden_dir):
    # Through a symbolic link the file it leads to changes, and its backup lies beside it.
    write(os.path.join(tmp, "real.vendu"), THREE)
    os.symlink("real.vendu", os.path.join(tmp, "link.vendu"))
    rc, out, err = run(["dedupe", "link.vendu"], tmp)
    expect(rc == 0 and os.path.islink(os.path.join(tmp, "link.vendu")), f"{rc} {err}")
    expect(read(os.path.join(tmp, "real.vendu")) == record(b"q", b"a") + record(b"q2", b"a2")
           and read(os.path.join(tmp, "real.vendu.bak")) == THREE, "the target is not changed")
    expect(re.search(rb"\(the old version is [^)]*real\.vendu\.bak\)", out)
           and not os.path.exists(os.path.join(tmp, "link.vendu.bak")), f"{out!r}")
    if not base.OPTIONS.windows_subset:
        return
    # Windows attributes: a hidden file stays hidden, and its backup too; a read-only one is
    # refused and stays read-only.
    for name, attribute, status in (("h.vendu", "H", 0), ("r.vendu", "R", 2)):
        write(os.path.join(tmp, name), THREE)
        subprocess.run(base.VENDU[:-1] + ["attrib", "+" + attribute, name], cwd=tmp,
                       capture_output=True, check=True)
        rc, out, err = run(["dedupe", name], tmp)
        expect(rc == status and attribute in attributes(name, tmp),
               f"{name}: {rc} {err} {attributes(name, tmp)}")
        if status == 0:
            expect(attribute in attributes(name + ".bak", tmp), f"{name}.bak")
        else:
            expect("no permission to write to it" in err and read(os.path.join(tmp, name)) == THREE,
                   f"{name}: {err}")


# ---------------------------------------------------------------- readable exports

INJECTION = [(b"<script>window.pwned = 1</script>", b"<img src=x onerror=\"window.pwned = 2\">"),
             (b"</script><script>window.pwned = 3</script>", b"&lt; & \"' {k} $& {n}")]


def page_file(tmp):
    """Random code page 936 entries, the program's example notes and texts that try to get
    markup into the page; the file's entries as (question, answer) as written."""
    data = base.make_store(tmp, "s.vendu", 40, 7)
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples",
                           "super.vendu"), "rb") as f:
        data += f.read()
    data += b"".join(record(q, a) for q, a in INJECTION) + record(b"\xff\x81x", b"y\xfe")
    write(os.path.join(tmp, "s.vendu"), data)
    return data


class PageText(html.parser.HTMLParser):
    """The texts of the entries of a rendered page, and every element seen."""
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.entries, self.tags, self.attributes, self.texts = [], [], set(), None

    def handle_starttag(self, tag, attrs):
        self.tags.append(tag)
        self.attributes.update(name for name, _ in attrs)
        classes = dict(attrs).get("class", "")
        if tag == "article":
            self.entries.append([])
        if self.entries and classes in ("question", "answer"):
            self.texts = self.entries[-1]
            self.texts.append("")

    def handle_endtag(self, tag):
        if tag == "div":
            self.texts = None

    def handle_data(self, data):
        if self.texts is not None:
            self.texts[-1] += data


def written_entries(tmp):
    """Each entry's texts as written, from JSON Lines, as the pages show them: bytes that are
    not code page 936 as U+FFFD, line breaks as LF."""
    rc, out, err = run(["export", "s.vendu", "--format=jsonl"], tmp)
    entries = []
    for line in out.decode("utf-8").splitlines():
        o = json.loads(line)
        entries.append([(o[k] if k in o else base64.b64decode(o[k + "_base64"]).decode(
            "gbk", "replace")).replace("\r\n", "\n") for k in ("question", "answer")])
    return entries


def lines(text):
    return [line.strip() for line in text.strip().split("\n")]


@test("page", windows=True)
def html_and_markdown_hold_every_entry_as_text(tmp, golden_dir):
    page_file(tmp)
    want = written_entries(tmp)
    rc, out, err = run(["export", "s.vendu", "--format=html"], tmp)
    expect(rc == 0 and "2 byte sequences that are not code page 936" in err, f"{rc} {err}")
    page = PageText()
    page.feed(out.decode("utf-8"))
    got = [[t.replace("\ufffd", "?") for t in e] for e in page.entries]
    expect(len(got) == len(want), f"{len(got)} entries shown, {len(want)} in the file")
    for k, (g, w) in enumerate(zip(got, want)):
        expect(g == [t.replace("\ufffd", "?") for t in w], f"entry {k + 1}: {g!r} != {w!r}")
    expect(page.tags.count("script") == 2 and "img" not in page.tags,
           f"markup from the entries: {page.tags.count('script')} scripts")
    # No resource from elsewhere: nothing but the page's own styles and script.
    style = out.decode("utf-8").split("<style")[1].split("</style>")[0]
    expect(not ({"src", "href", "action", "srcset"} & page.attributes) and "url(" not in style
           and "@import" not in style, "the page refers to something outside it")
    if not shutil.which("cmark"):
        raise AssertionError("cmark is missing (scripts/setup.sh installs it)")
    rc, md, err = run(["export", "s.vendu", "--format=md"], tmp)
    rendered = subprocess.run(["cmark"], input=md, capture_output=True, check=True).stdout
    tags = PageText()
    tags.feed(rendered.decode("utf-8"))
    expect(not ({"script", "img", "a", "pre", "code", "ul", "ol", "table", "h3"} & set(tags.tags)),
           f"markup from the entries: {sorted(set(tags.tags))}")
    # Each entry: its number as a heading, the question, the answer as a quote.
    blocks = rendered.decode("utf-8").split("<h2>")[1:]
    expect(len(blocks) == len(want), f"{len(blocks)} entries in Markdown")
    for k, (block, texts) in enumerate(zip(blocks, want)):
        shown = [lines(html.unescape(p.replace("<br />\n", "\n")))
                 for p in re.findall(r"<p>(.*?)</p>", block, re.S)]
        expect(shown == [lines(t) for t in texts if t], f"entry {k + 1}: {shown!r} != {texts!r}")


class Browser:
    """Debian's chromium, headless, driven through the DevTools protocol on a pipe."""
    FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--remote-debugging-pipe"]

    def __init__(self, tmp):
        commands, self.to_browser = os.pipe()
        self.from_browser, replies = os.pipe()

        def pipes():  # the protocol's descriptors in the browser: 3 reads, 4 writes
            high = [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (commands, replies)]
            for fd, wanted in zip(high, (3, 4)):
                os.dup2(fd, wanted)
                os.set_inheritable(wanted, True)
        # A profile of its own, outside the test's folder: the browser's helpers may still
        # be writing to it for a moment after the browser ends.
        self.profile = tempfile.mkdtemp(prefix="vendu-page-browser-")
        self.proc = subprocess.Popen(
            ["chromium"] + self.FLAGS + ["--user-data-dir=" + self.profile, "about:blank"],
            preexec_fn=pipes, close_fds=False, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(commands)
        os.close(replies)
        self.buffer, self.events, self.next_id, self.session = b"", [], 0, None
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = self.call("Target.attachToTarget", targetId=target,
                                 flatten=True)["sessionId"]
        self.call("Page.enable")

    def close(self):
        try:
            self.session = None
            self.call("Browser.close")
            self.proc.wait(timeout=30)
        except (AssertionError, OSError, subprocess.TimeoutExpired):
            pass
        # The browser and the helpers it started, in the session it leads.
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.proc.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)

    def receive(self, timeout=30):
        deadline = time.monotonic() + timeout
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            expect(left > 0 and select.select([self.from_browser], [], [], left)[0],
                   "the browser did not answer")
            chunk = os.read(self.from_browser, 1 << 16)
            expect(chunk, "the browser went away")
            self.buffer += chunk
        message, _, self.buffer = self.buffer.partition(b"\0")
        return json.loads(message)

    def call(self, method, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if self.session:
            message["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        while True:
            reply = self.receive()
            if reply.get("id") == self.next_id:
                expect("error" not in reply, f"{method}: {reply.get('error')}")
                return reply["result"]
            self.events.append(reply)

    def wait_for_event(self, method):
        while True:
            if any(e.get("method") == method for e in self.events):
                self.events = [e for e in self.events if e.get("method") != method]
                return
            self.events.append(self.receive())

    def value(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        expect("exceptionDetails" not in result, f"{expression}: {result}")
        return result["result"].get("value")


def vendu_count(tmp, keyword):
    rc, out, err = run(["search", "--count", "s.vendu", keyword], tmp)
    expect(rc in (0, 1), f"search {keyword!r}: {rc} {err}")
    return int(out)


@test("page", windows=True)
def the_page_finds_in_a_browser_what_vendu_finds(tmp, golden_dir):
    # The page opened in a real browser; keywords typed into its box a character at a time;
    # after each character the entries shown are as many as vendu search counts.
    if base.OPTIONS.sanitized:
        note("left to the plain build: the browser's part does not change under the sanitizers")
        return
    page_file(tmp)
    rc, out, err = run(["export", "s.vendu", "--format=html"], tmp)
    page = os.path.join(tmp, "s.html")
    write(page, out)
    expect(shutil.which("chromium"), "chromium is missing (scripts/setup.sh installs it)")
    browser = Browser(tmp)
    try:
        browser.call("Page.navigate", url="file://" + page)
        browser.wait_for_event("Page.loadEventFired")
        shown = "document.querySelectorAll('#entries > article:not([hidden])').length"
        caption = "document.getElementById('caption').textContent"
        total = vendu_count(tmp, "")
        expect(browser.value(shown) == total and browser.value(caption) == f"【】共用{total}条搜索结果",
               f"on opening: {browser.value(shown)} shown, {browser.value(caption)!r}")
        # What the entries tried to smuggle in is text, and nothing was fetched.
        expect(browser.value("typeof window.pwned") == "undefined", "an entry's script ran")
        expect(browser.value("document.scripts.length") == 2, "scripts from the entries")
        expect(browser.value("document.querySelector('#entry-%d .question').textContent"
                             % (total - 2)) == INJECTION[0][0].decode(), "the script entry")
        expect(browser.value("performance.getEntriesByType('resource').length") == 0,
               "the page fetched something")
        keywords = ["任务管理器", "Ctrl", "ctrl", "问题", "（全角）", "with, comma", "\\", "€",
                    "撤销上一步", "zzz", "\"", "<script>", "{k}"]
        browser.value("document.getElementById('keyword').focus()")
        for keyword in keywords:
            browser.value("document.getElementById('keyword').select()")
            for end in range(1, len(keyword) + 1):
                browser.call("Input.insertText", text=keyword[end - 1])
                typed = keyword[:end]
                if base.OPTIONS.windows_subset and end < len(keyword):
                    continue  # under Wine each count costs a start of vendu.exe
                want = vendu_count(tmp, typed)
                got = browser.value(shown)
                expect(got == want, f"typed {typed!r}: {got} shown, vendu search counts {want}")
            label = (f"【{keyword}】共用{want}条搜索结果" if want else f"【{keyword}】无搜索结果")
            expect(browser.value(caption) == label, f"{keyword!r}: {browser.value(caption)!r}")
        expect(vendu_count(tmp, "任务管理器") == 3 and vendu_count(tmp, "ctrl") == 0,
               "the keywords found too little to tell")
        # Printed: the box and the caption stay off the paper, every entry shown is on it.
        browser.call("Emulation.setEmulatedMedia", media="print")
        expect(browser.value("getComputedStyle(document.getElementById('keyword')).display")
               == "none", "the search box is printed")
        pdf = base64.b64decode(browser.call("Page.printToPDF")["data"])
        expect(pdf.startswith(b"%PDF"), "no PDF")
    finally:
        browser.close()


def main():
    global CRASH_AT_CALL, HOLDER
    args = sys.argv[1:]
    for option in ("--crash-at-call", "--holder"):
        if option in args:
            k = args.index(option)
            value = os.path.abspath(args[k + 1])
            del args[k:k + 2]
            if option == "--holder":
                HOLDER = value
            else:
                CRASH_AT_CALL = value
    sys.argv[1:] = args
    return base.main()


if __name__ == "__main__":
    sys.exit(main())
