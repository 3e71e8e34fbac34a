#!/usr/bin/env python3
"""Draws the launcher's icon and writes it as a Windows .ico file.

Standard library only, and deterministic, so the checked-in icon can be
rebuilt byte for byte: python3 tools/icon/make_icon.py launcher/KV_ZudIvi.ico
"""

import struct
import sys

SIZES = (16, 32, 48)
# Samples per pixel side; coverage gives smooth edges without a drawing library.
SUPERSAMPLE = 8

TOP_BLUE = (0x3C, 0x8D, 0xE8)
BOTTOM_BLUE = (0x16, 0x57, 0xB0)
WHITE = (0xFF, 0xFF, 0xFF)


def in_rounded_square(x, y):
    lo, hi, radius = 0.03, 0.97, 0.20
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2


def in_rect(x, y, left, top, right, bottom):
    return left <= x <= right and top <= y <= bottom


def in_arrow(x, y):
    if in_rect(x, y, 0.425, 0.14, 0.575, 0.46):
        return True
    # Head: a triangle pointing down, base at y=0.40, tip at y=0.66.
    base, tip, half = 0.40, 0.66, 0.23
    if not (base <= y <= tip):
        return False
    return abs(x - 0.5) <= half * (tip - y) / (tip - base)


def in_tray(x, y):
    return (
        in_rect(x, y, 0.18, 0.72, 0.82, 0.84)
        or in_rect(x, y, 0.18, 0.56, 0.31, 0.84)
        or in_rect(x, y, 0.69, 0.56, 0.82, 0.84)
    )


def render(size):
    """Returns rows top to bottom of (r, g, b, a) pixels."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            square = mark = 0
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    if in_rounded_square(x, y):
                        square += 1
                        if in_arrow(x, y) or in_tray(x, y):
                            mark += 1
            alpha = square / (n * n)
            if square == 0:
                row.append((0, 0, 0, 0))
                continue
            t = (py + 0.5) / size
            blue = [round(a + (b - a) * t) for a, b in zip(TOP_BLUE, BOTTOM_BLUE)]
            w = mark / square
            rgb = [round(c + (WHITE[i] - c) * w) for i, c in enumerate(blue)]
            row.append((rgb[0], rgb[1], rgb[2], round(alpha * 255)))
        rows.append(row)
    return rows


def dib(size, rows):
    """A 32-bit DIB as .ico stores it: doubled height, bottom-up, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
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


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return out


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    images = [(size, dib(size, render(size))) for size in SIZES]
    with open(sys.argv[1], "wb") as f:
        f.write(ico(images))


if __name__ == "__main__":
    main()
