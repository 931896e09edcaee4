#!/usr/bin/env python3
"""Runs one command and prints what it cost on one line:

    SECONDS PEAK_MIB GIB_READ STATUS

SECONDS is wall-clock time, PEAK_MIB the largest resident size, GIB_READ the
bytes the command (and its children) read through read calls, as Linux
counts them in /proc/self/io once the command has been waited for.

Usage: measure.py OUTPUT_FILE COMMAND [ARGS...]   (standard output goes to
OUTPUT_FILE, standard error is dropped)
"""
import os
import subprocess
import sys
import time


def bytes_read():
    with open("/proc/self/io") as io:
        for line in io:
            key, value = line.split(":")
            if key == "rchar":
                return int(value)
    return 0


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    output, command = sys.argv[1], sys.argv[2:]
    before = bytes_read()
    start = time.monotonic()
    with open(output, "wb") as out:
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(process.pid, 0)
    seconds = time.monotonic() - start
    read = bytes_read() - before
    print(f"{seconds:.2f} {usage.ru_maxrss / 1024:.0f} {read / 2**30:.3f} {os.waitstatus_to_exitcode(status)}")


if __name__ == "__main__":
    main()
