#!/usr/bin/env python3
"""Counts the to-do list of the form corpus per level and per kind.

The corpus holds forms only, and `tolvern todo` reaches a form through the
unit whose {$R *.dfm} names it: each form gets a stub unit of its name in a
scratch copy of its folder. Every folder is read as BDE and as ADO (each run
finds only the objects of its own classes), with --all.

  scripts/todo-counts.py TOLVERN CORPUS [--items FILE]

prints "level kind count" lines and the totals; --items writes every item
("BDE|ADO<TAB>folder<TAB>item line") to FILE, for drawing a sample to check
by hand.
"""
import argparse
import collections
import os
import re
import shutil
import subprocess
import sys
import tempfile

ITEM = re.compile(r"^(.*?):(\d+):(\d+): (?:(error|warning|note): )?([a-z-]+): ")


def stub_tree(corpus, tree):
    for folder in sorted(os.listdir(corpus)):
        src = os.path.join(corpus, folder)
        if not os.path.isdir(src):
            continue
        dst = os.path.join(tree, folder)
        os.makedirs(dst)
        for name in os.listdir(src):
            if not name.lower().endswith(".dfm"):
                continue
            shutil.copyfile(os.path.join(src, name), os.path.join(dst, name))
            unit = name[:-4]
            with open(os.path.join(dst, unit + ".pas"), "w") as f:
                f.write("unit %s;\ninterface\nimplementation\n{$R *.dfm}\nend.\n" % unit)
        yield folder, dst


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("tolvern")
    ap.add_argument("corpus")
    ap.add_argument("--items")
    args = ap.parse_args()
    counts = collections.Counter()
    items = []
    with tempfile.TemporaryDirectory() as tmp:
        for folder, dst in stub_tree(args.corpus, tmp):
            for mode in ("BDE", "ADO"):
                cmd = [args.tolvern, "todo", "--folder", dst]
                if mode == "ADO":
                    cmd.append("--ado")
                out = subprocess.run(cmd + ["--all"], capture_output=True, text=True)
                if out.returncode not in (0, 3):
                    out = subprocess.run(cmd, capture_output=True, text=True)  # no --all
                for line in out.stdout.splitlines():
                    m = ITEM.match(line)
                    if not m:
                        continue
                    level = m.group(4) or "-"
                    counts[(level, m.group(5))] += 1
                    items.append("%s\t%s\t%s" % (mode, folder, line))
    for (level, kind), n in sorted(counts.items()):
        print("%-8s %-15s %5d" % (level, kind, n))
    per_level = collections.Counter()
    for (level, _), n in counts.items():
        per_level[level] += n
    print("total    " + ", ".join("%s %d" % kv for kv in sorted(per_level.items())) +
          "; all %d" % sum(counts.values()))
    if args.items:
        with open(args.items, "w") as f:
            f.write("\n".join(items) + "\n")


if __name__ == "__main__":
    sys.exit(main())
