#!/usr/bin/env python3
"""Draws Moravel's icon and writes moravel.ico: a green badge with a white
speech bubble, at 48 x 48 (the window's icon) and 72 x 72 (the program file's),
both 32-bit with alpha. Run it again after changing the drawing:

    python3 app/res/make_icon.py

Needs nothing beyond Python's standard library.
"""

import math
import os
import struct

SIZES = (48, 72)
SUPERSAMPLE = 4

DARK = (78, 112, 46)
LIGHT = (164, 185, 127)
WHITE = (255, 255, 255)


def in_rounded_square(x, y, radius=0.2, margin=0.03):
    lo, hi = margin, 1.0 - margin
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def in_ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (x - q[0]) * (p[1] - q[1]) - (p[0] - q[0]) * (y - q[1])

    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    negative = d1 < 0 or d2 < 0 or d3 < 0
    positive = d1 > 0 or d2 > 0 or d3 > 0
    return not (negative and positive)


def colour_at(x, y):
    """The colour (r, g, b, a) of the point (x, y) in the unit square."""
    if not in_rounded_square(x, y):
        return (0, 0, 0, 0)
    bubble = in_ellipse(x, y, 0.5, 0.44, 0.34, 0.25) or in_triangle(
        x, y, (0.30, 0.60), (0.20, 0.84), (0.48, 0.66))
    if bubble:
        for dot in (0.35, 0.5, 0.65):
            if (x - dot) ** 2 + (y - 0.44) ** 2 <= 0.05 ** 2:
                return DARK + (255,)
        return WHITE + (255,)
    t = y  # light at the top, dark at the bottom
    r, g, b = (round(LIGHT[i] * (1 - t) + DARK[i] * t) for i in range(3))
    return (r, g, b, 255)


def render(size):
    """Rows top to bottom of (r, g, b, a), anti-aliased by supersampling."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = colour_at((px + (sx + 0.5) / n) / size,
                                           (py + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (n * n)
            if acc[3]:
                pixel = tuple(round(acc[i] / acc[3]) for i in range(3)) + (round(alpha),)
            else:
                pixel = (0, 0, 0, 0)
            row.append(pixel)
        rows.append(row)
    return rows


def icon_image(size):
    """One icon image: BITMAPINFOHEADER, BGRA rows bottom-up, AND mask."""
    rows = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def main():
    images = [icon_image(size) for size in SIZES]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'moravel.ico')
    with open(path, 'wb') as f:
        f.write(out)
    print(path)


if __name__ == '__main__':
    main()
