#!/usr/bin/env python3
"""Checks that duplicate finders found the same pairs.

Reads Pairlook's TSV rows and the fdupes-style group listings (groups of
paths separated by blank lines) of the peers, turns each into a set of
unordered pairs of absolute paths, and reports counts and differences.

Usage: pairs_agree.py PAIRLOOK_TSV NAME=GROUPS_FILE ...
Exit status 1 when any set differs from Pairlook's.
"""
import itertools
import os
import sys


def unescape(cell):
    out, k = [], 0
    while k < len(cell):
        if cell[k] == "\\" and k + 1 < len(cell):
            nxt = cell[k + 1]
            if nxt == "x":
                out.append(chr(int(cell[k + 2:k + 4], 16)))
                k += 4
                continue
            out.append({"\\": "\\", "t": "\t", "n": "\n", "r": "\r"}[nxt])
            k += 2
            continue
        out.append(cell[k])
        k += 1
    return "".join(out)


def pair(a, b):
    a, b = os.path.abspath(a), os.path.abspath(b)
    return (a, b) if a < b else (b, a)


def pairlook_pairs(path):
    with open(path, encoding="utf-8", errors="surrogateescape") as rows:
        lines = [line.rstrip("\n").split("\t") for line in rows]
    return {pair(unescape(r[0]), unescape(r[1])) for r in lines[1:-1] if len(r) == 3 and r[2] == "100"}


def group_pairs(path):
    pairs, group = set(), []
    with open(path, encoding="utf-8", errors="surrogateescape") as listing:
        for line in itertools.chain(listing, ["\n"]):
            line = line.rstrip("\n")
            if line:
                group.append(line)
                continue
            pairs.update(pair(a, b) for a, b in itertools.combinations(group, 2))
            group = []
    return pairs


def main():
    ours = pairlook_pairs(sys.argv[1])
    print("  pairs: pairlook %d" % len(ours), end="")
    agree = True
    for spec in sys.argv[2:]:
        name, path = spec.split("=", 1)
        theirs = group_pairs(path)
        print(", %s %d" % (name, len(theirs)), end="")
        if theirs != ours:
            agree = False
            print(" (only %s: %d, only pairlook: %d)" % (name, len(theirs - ours), len(ours - theirs)), end="")
    print("  ->", "agree" if agree else "DIFFER")
    return 0 if agree else 1


if __name__ == "__main__":
    sys.exit(main())
