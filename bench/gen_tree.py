#!/usr/bin/env python3
"""Writes a deterministic tree of files for the search benchmarks.

Sizes are log-normal. Of the files, about 5% are empty, 20% exact copies of
an earlier file, 5% same-size copies with one byte changed, 5% near copies
(a few bytes changed, or a little cut off or added), the rest unique content.
The same count and seed always give the same tree, byte for byte.

With --unique LOW HIGH every file holds its own random bytes, LOW to HIGH of
them (uniform): many small unrelated files of close sizes.

Usage: gen_tree.py COUNT FOLDER [--seed N] [--median BYTES] [--sigma S] [--largest BYTES]
                   [--unique LOW HIGH]
"""
import argparse
import math
import os
import random


def lognormal_size(rng, median, sigma, largest):
    return max(1, min(largest, int(rng.lognormvariate(math.log(median), sigma))))


def flip_bytes(rng, content, count):
    data = bytearray(content)
    for _ in range(count):
        at = rng.randrange(len(data))
        data[at] ^= 0xFF
    return bytes(data)


def near_copy(rng, content):
    kind = rng.randrange(3)
    if kind == 0:
        return flip_bytes(rng, content, max(1, len(content) // 200))
    if kind == 1:
        return content[: max(1, len(content) - rng.randrange(1, 1 + max(1, len(content) // 50)))]
    return content + rng.randbytes(rng.randrange(1, 1 + max(1, len(content) // 50)))


def contents(rng, count, median, sigma, largest):
    """Yields the content of each file in order."""
    earlier = []  # contents that later files may copy (kept small in number)
    for _ in range(count):
        roll = rng.random()
        if roll < 0.05:
            content = b""
        elif roll < 0.35 and earlier:
            source = rng.choice(earlier)
            if roll < 0.25:
                content = source
            elif roll < 0.30:
                content = flip_bytes(rng, source, 1)
            else:
                content = near_copy(rng, source)
        else:
            content = rng.randbytes(lognormal_size(rng, median, sigma, largest))
            if len(earlier) < 2000:
                earlier.append(content)
            else:
                earlier[rng.randrange(len(earlier))] = content
        yield content


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("count", type=int)
    parser.add_argument("folder")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--median", type=int, default=4096)
    parser.add_argument("--sigma", type=float, default=1.4)
    parser.add_argument("--largest", type=int, default=4 << 20)
    parser.add_argument("--unique", type=int, nargs=2, metavar=("LOW", "HIGH"))
    args = parser.parse_args()
    rng = random.Random(args.seed)
    per_folder = 100
    if args.unique:
        low, high = args.unique
        files = (rng.randbytes(rng.randint(low, high)) for _ in range(args.count))
    else:
        files = contents(rng, args.count, args.median, args.sigma, args.largest)
    for number, content in enumerate(files):
        folder = os.path.join(args.folder, "d%03d" % (number // (per_folder * 100)), "d%03d" % (number // per_folder % 100))
        if number % per_folder == 0:
            os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%06d.bin" % number), "wb") as out:
            out.write(content)


if __name__ == "__main__":
    main()
