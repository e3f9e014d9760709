#!/usr/bin/env python3
"""Times `vendu search --count` beside `grep -c -F` and `rg -c -F` on the same file, in the same
run.

usage: vendu_vs_grep.py VENDU FILE LABEL=KEYWORD... [--runs N] [--vendu-prefix CMD] [--text]

KEYWORD may hold \\xHH escapes (code page 936 bytes). The programs run in turn, N times each
(after one unmeasured run of each, so the file is in the page cache); for each the median and
the best of the wall clock and of processor time (user + system, of the child) are printed,
and the ratios vendu / grep and vendu / rg of the medians. rg is left out when it is not
installed; a keyword that is not UTF-8 goes to rg as an escaped literal ((?-u)\\xHH...),
the only form in which it takes such bytes. --vendu-prefix runs vendu through another
program (for example the Wine wrapper); its start-up is then part of vendu's time. --text
hands vendu the keyword as UTF-8 text rather than as code page 936 bytes: the Windows build
takes a Unicode command line and converts it to code page 936 itself.
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import time


def keyword_bytes(text):
    return text.encode("latin-1").decode("unicode_escape").encode("latin-1")


def run_once(argv, env):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    if done.returncode not in (0, 1):
        sys.exit("failed (%d): %s\n%s" % (done.returncode, argv, done.stderr.decode(errors="replace")))
    return wall, cpu, done.stdout.strip().decode()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("vendu")
    parser.add_argument("file")
    parser.add_argument("keywords", nargs="+")
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--vendu-prefix", default="")
    parser.add_argument("--text", action="store_true")
    args = parser.parse_args()

    env = dict(os.environ, LC_ALL="C")
    size = os.path.getsize(args.file)
    prefix = args.vendu_prefix.split() if args.vendu_prefix else []
    for item in args.keywords:
        label, _, text = item.partition("=")
        keyword = keyword_bytes(text)
        commands = {
            "vendu": prefix + [args.vendu, "search", "--count", "--raw", args.file,
                               keyword.decode("gbk").encode() if args.text else keyword],
            "grep": ["grep", "-c", "-F", "--", keyword, args.file],
        }
        if shutil.which("rg"):
            # rg takes no pattern that is not UTF-8 as it stands; bytes go in as an escaped
            # literal, which it searches for the same way as a fixed string.
            try:
                keyword.decode("utf-8")
                commands["rg"] = ["rg", "-c", "-F", "--", keyword, args.file]
            except UnicodeDecodeError:
                escaped = "(?-u)" + "".join("\\x%02X" % b for b in keyword)
                commands["rg"] = ["rg", "-c", "--", escaped, args.file]
        times = {name: ([], []) for name in commands}
        counts = {}
        for name, argv in commands.items():
            counts[name] = run_once(argv, env)[2]
        for _ in range(args.runs):
            for name, argv in commands.items():
                wall, cpu, _ = run_once(argv, env)
                times[name][0].append(wall)
                times[name][1].append(cpu)
        median = {n: (statistics.median(w), statistics.median(c)) for n, (w, c) in times.items()}
        for name in commands:
            wall, cpu = times[name]
            unit = "entries" if name == "vendu" else "lines"
            print("%-9s %-5s %6.1f ms wall (best %5.1f) %6.1f ms cpu (best %5.1f) %7.0f MB/s cpu"
                  "  %s %s" % (label, name, median[name][0] * 1e3, min(wall) * 1e3,
                               median[name][1] * 1e3, min(cpu) * 1e3,
                               size / max(median[name][1], 1e-9) / 1e6, counts[name], unit))
        for peer in [name for name in commands if name != "vendu"]:
            print("%-9s ratio vendu/%s: %.2f wall, %.2f cpu (medians of %d runs, %d bytes)" % (
                label, peer, median["vendu"][0] / median[peer][0],
                median["vendu"][1] / max(median[peer][1], 1e-9), args.runs, size))
        sys.stdout.flush()


if __name__ == "__main__":
    main()
