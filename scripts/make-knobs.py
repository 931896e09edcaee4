#!/usr/bin/env python3
"""Draws the two images of the strip's mode knob and writes them as .bmp files.

resources/knob_cold.bmp (bitmap "SwCBMP"): the knob as drawn normally.
resources/knob_hot.bmp (bitmap "SwHBMP"): the knob under the pointer.

Each is 24 x 24 pixels, 24-bit colour: a disc with a 1-pixel black outline,
white outside, and a black pointer whose narrow tip lies near the upper left
of the disc and which widens towards its lower right. The two differ only in
the disc's colour. No smoothing: every pixel is white, black or the disc.

Standard library only. The .bmp files are committed, so a build never needs
this script; run it again only to change the images:
    python3 scripts/make-knobs.py
"""

import os
import struct

SIZE = 24
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
DISC_COLD = (197, 199, 167)
DISC_HOT = (213, 215, 183)

CENTRE = 11.5
RADIUS = 11.0
OUTLINE = 1.0
TIP = (5.0, 5.0)         # the pointer's narrow end, upper left
BASE = (15.5, 15.5)      # where it is widest, past the centre
HALF_WIDTH = 3.2         # half its width at the base


def pointer(x, y):
    """True inside the wedge from TIP (no width) to BASE (2 * HALF_WIDTH)."""
    dx, dy = BASE[0] - TIP[0], BASE[1] - TIP[1]
    length = (dx * dx + dy * dy) ** 0.5
    ux, uy = dx / length, dy / length
    px, py = x - TIP[0], y - TIP[1]
    along = px * ux + py * uy
    across = abs(-px * uy + py * ux)
    return 0 <= along <= length and across <= HALF_WIDTH * along / length


def colour(x, y, disc):
    # Coordinates are pixel indexes; the disc is centred between the middle two.
    distance = ((x - CENTRE) ** 2 + (y - CENTRE) ** 2) ** 0.5
    if distance > RADIUS:
        return WHITE
    if distance > RADIUS - OUTLINE or pointer(x, y):
        return BLACK
    return disc


def bmp(disc):
    """A bottom-up 24-bit BMP; rows of 72 bytes need no padding."""
    rows = []
    for y in reversed(range(SIZE)):
        row = bytearray()
        for x in range(SIZE):
            r, g, b = colour(x, y, disc)
            row += bytes((b, g, r))
        rows.append(bytes(row))
    pixels = b''.join(rows)
    info = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def main():
    resources = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources')
    for name, disc in (('knob_cold.bmp', DISC_COLD), ('knob_hot.bmp', DISC_HOT)):
        with open(os.path.join(resources, name), 'wb') as f:
            f.write(bmp(disc))


if __name__ == '__main__':
    main()
