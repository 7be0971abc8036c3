#!/usr/bin/env python3
"""Draws the program's icon and writes it as q9xz.ico: 32x32 and 16x16 pixels, 16 colours.

The picture is a small spreadsheet: a white sheet with a blue title row, grey grid lines and a
few green cells (worked slots), with a red signal mark in the corner.
Usage: make_icon.py [OUTPUT]   (default: q9xz.ico beside this script)
"""
import os
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GREEN, NAVY, GREY, RED, BLUE, WHITE, SILVER = 0, 2, 4, 8, 9, 12, 15, 7
TRANSPARENT = None


def draw(size):
    """Rows of palette indices (None = transparent), top row first."""
    s = size // 16  # scale: 1 for 16x16, 2 for 32x32
    px = [[TRANSPARENT] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                px[y][x] = colour

    # Sheet with a black outline.
    rect(1 * s, 2 * s, 15 * s, 15 * s, BLACK)
    rect(1 * s + 1, 2 * s + 1, 15 * s - 1, 15 * s - 1, WHITE)
    # Title row.
    rect(1 * s + 1, 2 * s + 1, 15 * s - 1, 5 * s, BLUE)
    # Grid: three columns and three rows below the title.
    cols = [1, 5, 10, 15]
    rows = [5, 8, 11, 15]
    for gx in cols[1:-1]:
        rect(gx * s, 5 * s, gx * s + 1, 15 * s - 1, GREY)
    for gy in rows[1:-1]:
        rect(1 * s + 1, gy * s, 15 * s - 1, gy * s + 1, GREY)
    # A few worked slots.
    for col, row in [(0, 0), (2, 0), (1, 1), (0, 2), (2, 2)]:
        x1 = min(cols[col + 1] * s, 15 * s - 1)
        y1 = min(rows[row + 1] * s, 15 * s - 1)
        rect(cols[col] * s + 1, rows[row] * s + 1, x1, y1, GREEN)
    # Signal mark: a red mast over the top right corner with a wave on each side.
    rect(12 * s, 0, 12 * s + s, 2 * s + 1, RED)
    for i in range(s):
        for dx in (-2 * s, 2 * s):
            px[i][12 * s + dx + (s - 1 if dx > 0 else 0)] = RED
            px[s + i][12 * s + dx + (s - 1 if dx > 0 else 0)] = RED
    return px


def image_data(size):
    """BITMAPINFOHEADER, palette, 4-bit colour rows and 1-bit mask rows, bottom row first."""
    px = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_stride = ((size * 4 + 31) // 32) * 4
    mask_stride = ((size + 31) // 32) * 4
    colour = bytearray()
    mask = bytearray()
    for row in reversed(px):
        line = bytearray(colour_stride)
        bits = bytearray(mask_stride)
        for x, c in enumerate(row):
            index = BLACK if c is TRANSPARENT else c
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if c is TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
        colour += line
        mask += bits
    return header + palette + bytes(colour) + bytes(mask)


def icon_file(sizes):
    images = [image_data(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "q9xz.ico")
    with open(target, "wb") as f:
        f.write(icon_file([32, 16]))


if __name__ == "__main__":
    main()
