#!/usr/bin/env python3
"""Makes the picture the demo's "Panic" message shows in its pop-up window: a yellow
warning triangle with a black border and exclamation mark on a red ground, as a 24-bit
Windows bitmap (a format the pop-up window reads everywhere).

Edges are smoothed by sampling every pixel 4 x 4 times. Only the standard library is used
and the output is the same on every run.

    python3 scripts/make_demo_picture.py [OUTPUT_FILE]     (default: data/Panic.bmp)
"""

import os
import struct
import sys

WIDTH, HEIGHT = 120, 96
SAMPLES = 4
RED = (200, 24, 24)
YELLOW = (255, 214, 0)
BLACK = (0, 0, 0)

# The triangle's corners (x, y), y down; the border is the band between the outer and the
# inner triangle.
OUTER = [(60, 6), (112, 90), (8, 90)]
INNER = [(60, 20), (100, 83), (20, 83)]


def inside(triangle, x, y):
    (x1, y1), (x2, y2), (x3, y3) = triangle
    d1 = (x - x2) * (y1 - y2) - (x1 - x2) * (y - y2)
    d2 = (x - x3) * (y2 - y3) - (x2 - x3) * (y - y3)
    d3 = (x - x1) * (y3 - y1) - (x3 - x1) * (y - y1)
    negative = d1 < 0 or d2 < 0 or d3 < 0
    positive = d1 > 0 or d2 > 0 or d3 > 0
    return not (negative and positive)


def in_mark(x, y):
    """The exclamation mark: a bar that narrows downwards and a round dot."""
    if 34 <= y <= 66:
        half = 5.0 - 2.5 * (y - 34) / 32
        return abs(x - 60) <= half
    return (x - 60) ** 2 + (y - 74) ** 2 <= 4.5 ** 2


def colour_at(x, y):
    if not inside(OUTER, x, y):
        return RED
    if not inside(INNER, x, y) or in_mark(x, y):
        return BLACK
    return YELLOW


def pixel(px, py):
    total = [0, 0, 0]
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            c = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
            for i in range(3):
                total[i] += c[i]
    n = SAMPLES * SAMPLES
    return tuple((t + n // 2) // n for t in total)


def bitmap():
    row_size = (WIDTH * 3 + 3) // 4 * 4
    rows = []
    for py in reversed(range(HEIGHT)):  # bottom row first
        row = bytearray()
        for px in range(WIDTH):
            r, g, b = pixel(px, py)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return header + info + data


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "Panic.bmp")
    with open(path + ".tmp", "wb") as f:
        f.write(bitmap())
    os.replace(path + ".tmp", path)
    print("%s: %d x %d" % (path, WIDTH, HEIGHT))


if __name__ == "__main__":
    main()
