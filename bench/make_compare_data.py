#!/usr/bin/env python3
"""Makes the file pairs that bench/compare.sh times, unless they exist.

same-a.bin, same-b.bin      1 GiB of random bytes, and an identical copy
scattered-b.bin             same-a.bin with 1,000 bytes changed at random offsets
alt-a.bin, alt-b.bin        8 MiB that differ at every second byte (4 Mi runs)
"""
import os
import random
import shutil
import sys

GIB = 1 << 30
BLOCK = 1 << 24


def write_random(path, size, seed):
    rng = random.Random(seed)
    with open(path, "wb") as out:
        left = size
        while left:
            n = min(BLOCK, left)
            out.write(rng.randbytes(n))
            left -= n


def make(folder):
    os.makedirs(folder, exist_ok=True)
    same_a = os.path.join(folder, "same-a.bin")
    same_b = os.path.join(folder, "same-b.bin")
    scattered = os.path.join(folder, "scattered-b.bin")
    alt_a = os.path.join(folder, "alt-a.bin")
    alt_b = os.path.join(folder, "alt-b.bin")
    if not os.path.exists(same_a) or os.path.getsize(same_a) != GIB:
        write_random(same_a, GIB, 1)
    if not os.path.exists(same_b) or os.path.getsize(same_b) != GIB:
        shutil.copyfile(same_a, same_b)
    if not os.path.exists(scattered) or os.path.getsize(scattered) != GIB:
        shutil.copyfile(same_a, scattered)
        rng = random.Random(2)
        with open(scattered, "r+b") as f:
            for offset in sorted(rng.sample(range(GIB), 1000)):
                f.seek(offset)
                byte = f.read(1)[0]
                f.seek(offset)
                f.write(bytes([byte ^ 0xA5]))
    if not os.path.exists(alt_b):
        size = 8 << 20
        a = bytearray(random.Random(3).randbytes(size))
        b = bytearray(a)
        for i in range(0, size, 2):
            b[i] ^= 0xFF
        with open(alt_a, "wb") as f:
            f.write(a)
        with open(alt_b, "wb") as f:
            f.write(b)


if __name__ == "__main__":
    make(sys.argv[1] if len(sys.argv) > 1 else "/tmp/pairlook-bench")
