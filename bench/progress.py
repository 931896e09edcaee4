#!/usr/bin/env python3
"""Watches the progress of pairlook-cli search as a user on a terminal sees it.

Runs each mode on a generated tree with standard error on a pseudo-terminal
(so the progress line is drawn, ten times a second) and standard output to
a file, reads the percentages as they are drawn, and reports per mode the
run's time, how many times the percent changed, and the longest stretch in
which it stood still (from the start, between changes, and up to the end),
with the percent it stood at.

With --seconds S a run still going after S seconds is stopped with Ctrl+C
(its rows are kept, exit status 130), and only what was seen until then
counts: Directory mode at match 50 on 100,000 files runs for many minutes.

Usage: progress.py TREE [--cli PATH] [--modes quick,dir95,dir50] [--runs N] [--seconds S]
       (the tree comes from bench/gen_tree.py; --cli defaults to
       build/release/pairlook-cli)
"""
import argparse
import os
import pty
import re
import select
import signal
import subprocess
import sys
import time

MODES = {
    "quick": ["--quick", "--match", "100"],
    "quick95": ["--quick", "--match", "95"],
    "dir95": ["--match", "95"],
    "dir50": ["--match", "50"],
}

PERCENT = re.compile(rb"\r *(\d+)%")


def watch(cli, tree, options, limit):
    """Runs one search; returns (seconds, [(time, percent), ...], exit status)."""
    master, slave = pty.openpty()
    started = time.monotonic()
    with open(os.devnull, "wb") as rows:
        process = subprocess.Popen([cli, "search", *options, "--tsv", tree], stdout=rows, stderr=slave)
    os.close(slave)
    samples = []
    pending = b""
    interrupted = None
    while True:
        if limit and interrupted is None and time.monotonic() - started > limit:
            process.send_signal(signal.SIGINT)
            interrupted = time.monotonic() - started
        ready, _, _ = select.select([master], [], [], 0.05)
        if not ready:
            if process.poll() is not None:
                break
            continue
        try:
            chunk = os.read(master, 65536)
        except OSError:  # the other end closed
            break
        if not chunk:
            break
        now = time.monotonic() - started
        pending += chunk
        for match in PERCENT.finditer(pending):
            samples.append((now, int(match.group(1))))
        pending = pending[pending.rfind(b"\r"):] if b"\r" in pending else pending
    status = process.wait()
    os.close(master)
    seconds = time.monotonic() - started if interrupted is None else interrupted
    return seconds, [s for s in samples if s[0] <= seconds], status


def stands(seconds, samples):
    """The lengths of all stretches without a change of percent."""
    lengths, since, shown = [], 0.0, 0
    for at, percent in samples:
        if percent != shown:
            lengths.append(at - since)
            since, shown = at, percent
    lengths.append(seconds - since)
    return lengths


def longest_stand(seconds, samples):
    """The longest stretch without a change of percent: (length, percent, from)."""
    best = (0.0, 0, 0.0)
    since, shown = 0.0, 0
    for at, percent in samples:
        if percent != shown:
            if at - since > best[0]:
                best = (at - since, shown, since)
            since, shown = at, percent
    if seconds - since > best[0]:
        best = (seconds - since, shown, since)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("tree")
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--cli", default=os.path.join(os.path.dirname(here), "build", "release", "pairlook-cli"))
    parser.add_argument("--modes", default="quick,dir95,dir50")
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--seconds", type=float, default=0, help="stop a run with Ctrl+C after this long")
    args = parser.parse_args()
    with open("/proc/loadavg") as load:
        print("load before the runs:", " ".join(load.read().split()[:3]))
    print(f"{'mode':8} {'seconds':>8}  {'changes':>7} {'median still':>13} {'longest still':>14} {'at %':>5} {'from s':>7}  percents")
    worst = 0.0
    for mode in args.modes.split(","):
        for _ in range(args.runs):
            seconds, samples, status = watch(args.cli, args.tree, MODES[mode], args.seconds)
            stand, percent, since = longest_stand(seconds, samples)
            changes = sum(1 for k in range(1, len(samples)) if samples[k][1] != samples[k - 1][1])
            shown = []
            for _, p in samples:
                if not shown or shown[-1] != p:
                    shown.append(p)
            lengths = sorted(stands(seconds, samples))
            median = lengths[len(lengths) // 2]
            print(f"{mode:8} {seconds:8.2f}{'+' if status == 130 else ' '} {changes:7d} {median:12.2f}s {stand:13.2f}s {percent:5d} {since:7.2f}  "
                  f"{' '.join(map(str, shown[:40]))}{' ...' if len(shown) > 40 else ''}"
                  f"{'' if status in (0, 130) else f'  (exit {status})'}")
            worst = max(worst, stand)
    print(f"longest stretch without a change: {worst:.2f} s")


if __name__ == "__main__":
    sys.exit(main())
