#!/usr/bin/env python3
"""The habits of command-line users, tried on the vendu binary: entries chained by number and
range, machine output checked against its schema, files made on demand, kept backups, help
and standard input everywhere, and completion in bash, zsh and fish.

usage: habits_test.py --golden DIR [--group NAME] [--windows-subset] -- COMMAND...
"""
import json
import os
import re
import subprocess
import sys

import jsonschema

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cli_test as base  # noqa: E402
from cli_test import expect, read, record, run, write  # noqa: E402

base.TESTS.clear()  # only the cases of this file
test = base.test

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
FIVE = b"".join(record(b"q%d" % i, b"a%d" % i) for i in range(1, 6))


def entry(n):
    return b"(%%Q%%)\r\nq%d\r\n(%%A%%)\r\na%d" % (n, n)


# ---------------------------------------------------------------- chaining

RANGE_CASES = [  # arguments, exit status, standard output, a piece of standard error, file after
    (["show", "t.vendu", "3", "1"], 0, entry(3) + b"\r\n" + entry(1) + b"\r\n", "", FIVE),
    (["show", "t.vendu", "4-6"], 1, entry(4) + b"\r\n" + entry(5) + b"\n",
     "t.vendu: no entry 6 (the file has 5 entries)", FIVE),
    (["show", "t.vendu", "3-2"], 2, b"", 'the range "3-2" runs backwards', FIVE),
    (["show", "t.vendu", "1-x"], 2, b"", 'a range is N-M, whole numbers from 1, not "1-x"', FIVE),
    (["rm", "t.vendu", "4-9"], 1, b"", "no entry 9 (the file has 5 entries); nothing was removed",
     FIVE),
    (["rm", "t.vendu", "1-2", "5"], 0,
     b"removed entry 1: q1/a1\nremoved entry 2: q2/a2\nremoved entry 5: q5/a5\n"
     b"t.vendu: 3 entries removed (the old version is t.vendu.bak)\n", "",
     record(b"q3", b"a3") + record(b"q4", b"a4")),
]


@test("chaining", windows=True)
def show_and_rm_take_numbers_and_ranges(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    for args, status, out, err, after in RANGE_CASES:
        write(path, FIVE)
        got = run(args, tmp)
        expect(got[:2] == (status, out) and err in got[2] and read(path) == after,
               f"{args}: {got}")


def schema(name):
    with open(os.path.join(ROOT, "tools", "vendu", "schema", name), encoding="utf-8") as f:
        return json.load(f)


@test("chaining")
def machine_output_follows_its_schema(tmp, golden):
    # Entry 2's question is no code page 936 text: it goes as its bytes.
    write(os.path.join(tmp, "t.vendu"), record(b"q1", "答\r\n案".encode("gbk"))
          + record(b"\xff", b"a2") + record(b"q3", b"a3"))
    document = schema("show.schema.json")
    one = dict(document["$defs"]["entry"], **{"$defs": document["$defs"]})
    rc, out, err = run(["show", "--json", "t.vendu", "3", "1-2"], tmp)
    got = json.loads(out)
    jsonschema.validate(got, document)
    expect(rc == 0 and [e["entry"] for e in got["entries"]] == [3, 1, 2] and
           got["entries"][1]["answer"] == "答\r\n案" and
           got["entries"][2]["question_base64"] == "/w==", f"{rc} {got} {err}")
    rc, out, err = run(["show", "--jsonl", "t.vendu", "1-3"], tmp)
    lines = [json.loads(line) for line in out.splitlines()]
    for line in lines:
        jsonschema.validate(line, one)
    expect(rc == 0 and len(lines) == 3, f"{rc} {out!r}")
    try:
        jsonschema.validate({"file": "x", "entries": [{"entry": 0, "question": "q"}]}, document)
        expect(False, "the schema takes an entry 0 without an answer")
    except jsonschema.ValidationError:
        pass
    rc, out, err = run(["rm", "--json", "--no-backup", "t.vendu", "1"], tmp)
    expect(rc == 0 and json.loads(out) == {"file": "t.vendu", "removed": [
        {"entry": 1, "question": "q1", "answer": "答\r\n案"}]}, f"{rc} {out!r} {err}")


@test("chaining", windows=True)
def add_and_import_create_a_missing_file(tmp, golden):
    write(os.path.join(tmp, "in.csv"), b"question,answer\r\nq,a\r\n")
    cases = [  # arguments, exit status, standard output, file after
        (["add", "n.vendu", "--question", "q", "--answer", "a"], 2, b"", None),
        (["add", "--create", "n.vendu", "--question", "q", "--answer", "a"], 0,
         b"created n.vendu\nadded 1 entry to n.vendu (20 bytes)\n", record(b"q", b"a")),
        (["import", "--create", "in.csv", "--into", "n.vendu"], 0,
         b"created n.vendu\nadded 1 entry to n.vendu (20 bytes)\n", record(b"q", b"a")),
        (["add", "--create", "no/n.vendu", "--question", "q", "--answer", "a"], 2, b"", None),
    ]
    for args, status, out, after in cases:
        path = os.path.join(tmp, "n.vendu")
        if os.path.exists(path):
            os.remove(path)
        rc, got, err = run(args, tmp)
        expect((rc, got.replace(b"\r\n", b"\n")) == (status, out), f"{args}: {rc} {got!r} {err}")
        expect((read(path) if os.path.exists(path) else None) == after, f"{args}: file")


@test("chaining")
def rewrites_keep_the_last_versions(tmp, golden):
    path = os.path.join(tmp, "t.vendu")
    cases = [  # options, backups after 5 edits, newest first (k: the file after edit k)
        ([], [4, 3, 2]),
        (["--backups", "1"], [4]),
        (["--no-backup"], []),
    ]
    for options, kept in cases:
        for name in os.listdir(tmp):
            os.remove(os.path.join(tmp, name))
        versions = [record(b"q", b"a0")]
        write(path, versions[0])
        for k in range(1, 6):
            rc, out, err = run(["edit", "t.vendu", "1", "--answer", f"a{k}"] + options, tmp)
            expect(rc == 0, f"{options} {k}: {rc} {err}")
            versions.append(read(path))
        names = sorted(os.listdir(tmp))
        want = sorted(["t.vendu"] + ["t.vendu.bak" + (f".{i}" if i else "") for i in
                                     range(len(kept))])
        expect(names == want, f"{options}: {names}")
        for i, k in enumerate(kept):
            expect(read(path + ".bak" + (f".{i}" if i else "")) == versions[k],
                   f"{options}: backup {i} is not the file after edit {k}")
    rc, out, err = run(["edit", "t.vendu", "1", "--answer", "x", "--backups", "lots"], tmp)
    expect(rc == 2 and "--backups takes a count" in err, f"{rc} {err}")


# ---------------------------------------------------------------- consistency

@test("consistency")
def every_command_has_help_and_names_standard_input(tmp, golden):
    rc, out, err = run(["--help"], tmp)
    names = [line.split()[0] for line in
             out.decode().split("\nCommands:\n")[1].split("\n\n")[0].splitlines()]
    for name in names:
        words = ["help", "-h"] if name == "help" else [name, "-h"]
        rc, out, err = run(words, tmp)
        text = out.decode()
        expect(rc == 0 and text.startswith("Usage: vendu"), f"{words}: {rc} {err}")
        expect(name == "help" or "'-'" in text, f"{name}: its help does not say what '-' is")


LOST = (b"(%Q%)\r\nlost\r\n" + record(b"q", b"a")[2:] + b"\r\n(%Q%)\r\nblank\r\n(%A%) \r\n"
        b"(%Q%)\r\nlast")
FILTER_CASES = [  # arguments, standard input, standard output, a piece of standard error
    (["fix", "-"], LOST, LOST.replace(b"lost\r\n", b"lost\r\n(%A%)\r\n") + b"\r\n(%A%)",
     "(standard input): 2 mends written"),
    (["dedupe", "-"], FIVE + record(b"q1", b"a1"), FIVE, "1 repeat removed"),
    (["convert", "--to", "utf-8", "-"], record("问".encode("gbk"), b"a"),
     record("问".encode(), b"a"), "converted from code page 936 to UTF-8"),
    (["edit", "-", "2", "--answer", "b"], FIVE, FIVE.replace(b"a2", b"b"), "entry 2 changed"),
    (["stats", "-"], FIVE, b"(standard input): 5 entries, 110 bytes\n", ""),
]


@test("consistency")
def standard_input_is_read_and_changed_as_a_filter(tmp, golden):
    for args, stdin, out, err in FILTER_CASES:
        got = run(args, tmp, stdin=stdin)
        expect(got[0] == 0 and got[1].startswith(out) and err in got[2], f"{args}: {got}")
    write(os.path.join(tmp, "t.vendu"), LOST)
    rc, out, err = run(["fix", "t.vendu"], tmp)
    rc, out, err = run(["check", "t.vendu"], tmp)
    # What fix mended is clean; the blank answer it has no mend for is still said.
    expect(rc == 1 and out.decode().endswith("4 entries, 0 errors, 1 warning\n") and
           out.count(b"[blank-answer]") == 1, f"{rc} {out!r}")


# ---------------------------------------------------------------- completion

FILES = ["a.vendu", "b.csv", "c.vendu.bak", "d.html", "notes/", ".hidden/"]
COMPLETION_CASES = [  # the line up to the cursor, what is offered
    ("vendu se", "search"),
    ("vendu help s", "search show stats"),
    ("vendu search -c ", "a.vendu notes"),
    ("vendu merge a.vendu ", "a.vendu notes"),
    ("vendu import ", "b.csv notes"),
    ("vendu import b.csv --into ", "a.vendu notes"),
    ("vendu add --question-file ", "a.vendu b.csv c.vendu.bak d.html notes"),
    ("vendu show a.vendu ", ""),
    ("vendu rm a.vendu 1 ", ""),
    ("vendu check --wait ", ""),
    ("vendu export --format=", "csv jsonl html md"),
    ("vendu search --color=al", "always"),
    ("vendu show --js", "--json --jsonl"),
]


def bash_words(line):
    """The words bash hands to a completion function: "=" is a word of its own."""
    words = re.findall(r"[^ =]+|=", line)
    return words + [""] if line.endswith(" ") else words


def offered_by_bash(script, line, tmp):
    done = subprocess.run(["bash", "-c", 'source "$1"; shift; COMP_WORDS=("$@"); '
                           'COMP_CWORD=$(($# - 1)); _vendu; printf "%s\\n" "${COMPREPLY[@]}"',
                           "bash", script] + bash_words(line), cwd=tmp, capture_output=True,
                          timeout=60)
    return done.stdout.decode().split()


def offered_by_fish(script, line, tmp):
    done = subprocess.run(["fish", "-c", f"source {script}; complete -C {line!r}"], cwd=tmp,
                          capture_output=True, timeout=60)
    return [w.split("\t")[0].split("=")[-1] for w in done.stdout.decode().splitlines()]


def offered_by_zsh(folder, lines, tmp):
    helper = os.path.join(os.path.dirname(os.path.abspath(__file__)), "zsh_complete.zsh")
    done = subprocess.run(["zsh", "-f", helper, folder, tmp] + lines, capture_output=True,
                          timeout=300)
    return {line: offered.split() for line, _, offered in
            (row.partition("\t") for row in done.stdout.decode().splitlines())}


@test("completion", portable=False)
def completion_offers_what_each_place_takes(tmp, golden):
    for name in FILES:
        if name.endswith("/"):
            os.mkdir(os.path.join(tmp, name))
        else:
            write(os.path.join(tmp, name), b"")
    folder = base.completion_script("")
    lines = [line for line, _ in COMPLETION_CASES]
    zsh = offered_by_zsh(folder, lines, tmp)
    failures = []
    for line, want in COMPLETION_CASES:
        shells = {"bash": offered_by_bash(base.completion_script("vendu"), line, tmp),
                  "zsh": zsh.get(line), "fish": offered_by_fish(
                      base.completion_script("vendu.fish"), line, tmp)}
        for shell, got in shells.items():
            if sorted(w.rstrip("/") for w in got or []) != sorted(want.split()):
                failures.append(f"{shell}: {line!r}: {got}, wanted {want.split()}")
    expect(not failures, "\n        ".join([""] + failures))


if __name__ == "__main__":
    sys.exit(base.main())
