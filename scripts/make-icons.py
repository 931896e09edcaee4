#!/usr/bin/env python3
"""Draws the program's two icons and writes them as .ico files.

resources/pairlook.ico (icon 500): two overlapping sheets, the pair.
resources/lens.ico (icon 501): a magnifying glass over a sheet.

Standard library only. The .ico files are committed, so a build never needs
this script; run it again only to change the images:
    python3 scripts/make-icons.py
"""

import os
import struct

SIZES = (16, 24, 32, 48)
SAMPLES = 4  # per axis: each pixel is the average of 4 x 4 samples

BLUE = (40, 110, 200)
BLUE_EDGE = (20, 60, 130)
ORANGE = (245, 150, 40)
ORANGE_EDGE = (170, 90, 10)
PAPER = (250, 250, 250)
PAPER_EDGE = (110, 110, 120)
INK = (150, 160, 175)
GLASS = (170, 215, 245)
HANDLE = (90, 60, 40)


def in_rounded_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def sheet(fill, edge, left, top, right, bottom):
    """A sheet with a border and three text lines, in unit coordinates."""
    border = 0.045

    def shade(x, y):
        if not in_rounded_rect(x, y, left, top, right, bottom, 0.06):
            return None
        if not in_rounded_rect(x, y, left + border, top + border, right - border, bottom - border, 0.03):
            return edge
        for line in range(3):
            y0 = top + 0.22 + line * 0.17
            if y0 <= y <= y0 + 0.06 and left + 0.12 <= x <= right - 0.12:
                return edge
        return fill

    return shade


def pair_icon(x, y):
    for layer in (sheet(ORANGE, ORANGE_EDGE, 0.36, 0.30, 0.94, 0.96),
                  sheet(BLUE, BLUE_EDGE, 0.06, 0.04, 0.64, 0.70)):
        colour = layer(x, y)
        if colour:
            return colour
    return None


def lens_icon(x, y):
    cx, cy, r = 0.42, 0.42, 0.28
    d2 = (x - cx) ** 2 + (y - cy) ** 2
    if d2 <= r ** 2:
        return GLASS if d2 <= (r - 0.07) ** 2 else BLUE_EDGE
    # The handle: a thick segment from the rim to the lower right corner.
    t = ((x - cx) + (y - cy)) / 2
    off = abs((x - cx) - (y - cy)) / 2 ** 0.5
    if 0.2 <= t <= 0.48 and off <= 0.075:
        return HANDLE
    return sheet(PAPER, PAPER_EDGE, 0.10, 0.06, 0.74, 0.86)(x, y)


def render(shade, size):
    """Rows of (r, g, b, a), top row first, averaged over the samples."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = shade((px + (sx + 0.5) / SAMPLES) / size,
                                   (py + (sy + 0.5) / SAMPLES) / size)
                    if colour:
                        r, g, b, hits = r + colour[0], g + colour[1], b + colour[2], hits + 1
            if hits:
                row.append((r // hits, g // hits, b // hits, 255 * hits // SAMPLES ** 2))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def dib(rows):
    """A 32-bit icon image: header, bottom-up BGRA pixels and the AND mask."""
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def ico(shade):
    images = [dib(render(shade, size)) for size in SIZES]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b''.join(images)


def main():
    resources = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources')
    for name, shade in (('pairlook.ico', pair_icon), ('lens.ico', lens_icon)):
        with open(os.path.join(resources, name), 'wb') as f:
            f.write(ico(shade))


if __name__ == '__main__':
    main()
