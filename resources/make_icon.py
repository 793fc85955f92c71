#!/usr/bin/env python3
"""Writes qdrsetup.ico: a blue rounded tile with a white ring and a diagonal tail (a stylised "Q").

Only the standard library is used, so the icon can be regenerated anywhere; the build itself
uses the committed .ico and never runs this script.

Usage: make_icon.py [output path]   (default: qdrsetup.ico beside this script)
"""

import math
import os
import struct
import sys

SIZES = (16, 32, 48)
SUPERSAMPLE = 4  # samples per axis and pixel, for smooth anti-aliased edges

TILE = (0x1E, 0x5A, 0xA8)  # RGB
TILE_EDGE = (0x13, 0x3C, 0x73)
MARK = (0xFF, 0xFF, 0xFF)


def inside_rounded_square(x, y, half, radius):
    """Point test for a square of half-width `half` centred at 0, corners rounded by `radius`."""
    dx = max(abs(x) - (half - radius), 0.0)
    dy = max(abs(y) - (half - radius), 0.0)
    return dx * dx + dy * dy <= radius * radius


def inside_tail(x, y):
    """The tail of the Q: a thick segment from the ring's lower right towards the corner."""
    ax, ay, bx, by = 0.12, 0.12, 0.62, 0.62
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
    px, py = ax + t * vx - x, ay + t * vy - y
    return px * px + py * py <= 0.11 * 0.11


def sample(x, y):
    """Colour and coverage of one sample in unit coordinates (-1..1, y downwards)."""
    if inside_rounded_square(x, y, 0.94, 0.30):
        r = math.hypot(x, y)
        if 0.34 <= r <= 0.58 or inside_tail(x, y):
            return MARK
        return TILE if inside_rounded_square(x, y, 0.86, 0.24) else TILE_EDGE
    return None


def render(size):
    """Rows of (b, g, r, a) tuples, top row first."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    x = ((px + (sx + 0.5) / n) / size) * 2.0 - 1.0
                    y = ((py + (sy + 0.5) / n) / size) * 2.0 - 1.0
                    c = sample(x, y)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = (round(v / hits) for v in acc)
                row.append((b, g, r, round(255 * hits / (n * n))))
        rows.append(row)
    return rows


def bmp_image(size):
    """One ICO image: BITMAPINFOHEADER, bottom-up BGRA pixels, then the 1-bit AND mask."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(c for p in row for c in p) for row in reversed(rows))
    # The AND mask marks fully transparent pixels; each row is padded to 32 bits.
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def ico(sizes):
    images = [bmp_image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "qdrsetup.ico")
    with open(path, "wb") as f:
        f.write(ico(SIZES))


if __name__ == "__main__":
    main()
