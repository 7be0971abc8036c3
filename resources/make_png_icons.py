#!/usr/bin/env python3
"""Draws the program's icon as PNG files for the Linux desktop, one per size.

The same picture as the Windows icon, in its 16 colours: a white sheet with a blue title row,
grey grid lines and a few green cells (worked slots), with a red signal mark in the corner.
It is laid out on a 16 by 16 grid and scaled by whole pixels, so every size is a multiple of 16;
lines grow with the size so that the big icons do not look hair-thin.

Usage: make_png_icons.py OUTPUT_FOLDER [SIZE...]
Writes OUTPUT_FOLDER/NxN/apps/q9xz.png for every size (default 16 32 48 64 128 256).
"""
import os
import struct
import sys
import zlib

DEFAULT_SIZES = (16, 32, 48, 64, 128, 256)

BLACK = (0, 0, 0, 255)
GREEN = (0, 128, 0, 255)
GREY = (128, 128, 128, 255)
RED = (255, 0, 0, 255)
BLUE = (0, 0, 255, 255)
WHITE = (255, 255, 255, 255)
TRANSPARENT = (0, 0, 0, 0)


def draw(size):
    """Rows of RGBA tuples, top row first."""
    if size % 16 != 0 or size <= 0:
        raise ValueError(f"icon size {size} is not a multiple of 16")
    s = size // 16
    line = max(1, s // 2)  # line width: 1 up to 32 pixels, then growing
    px = [[TRANSPARENT] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(size, y1)):
            for x in range(max(0, x0), min(size, x1)):
                px[y][x] = colour

    left, top, right, bottom = 1 * s, 2 * s, 15 * s, 15 * s
    # Sheet with a black outline.
    rect(left, top, right, bottom, BLACK)
    rect(left + line, top + line, right - line, bottom - line, WHITE)
    # Title row.
    rect(left + line, top + line, right - line, 5 * s, BLUE)
    # Grid: three columns and three rows below the title.
    cols = [1, 5, 10, 15]
    rows = [5, 8, 11, 15]
    for gx in cols[1:-1]:
        rect(gx * s, 5 * s, gx * s + line, bottom - line, GREY)
    for gy in rows[1:-1]:
        rect(left + line, gy * s, right - line, gy * s + line, GREY)
    # A few worked slots.
    for col, row in [(0, 0), (2, 0), (1, 1), (0, 2), (2, 2)]:
        x0 = cols[col] * s + line
        y0 = rows[row] * s + line
        x1 = min(cols[col + 1] * s, right - line)
        y1 = min(rows[row + 1] * s, bottom - line)
        rect(x0, y0, x1, y1, GREEN)
    # Signal mark: a red mast over the top right corner with a wave on each side.
    mast = 12 * s
    rect(mast, 0, mast + s, top + line, RED)
    for dx in (-2 * s, 2 * s):
        x = mast + dx + (s - line if dx > 0 else 0)
        rect(x, 0, x + line, 2 * s, RED)
    return px


def png(rows):
    """A PNG file (8-bit RGBA, no interlace) of the rows."""
    height = len(rows)
    width = len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter: none
        for pixel in row:
            raw.extend(pixel)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    folder = argv[1]
    sizes = [int(a) for a in argv[2:]] or list(DEFAULT_SIZES)
    for size in sizes:
        target = os.path.join(folder, f"{size}x{size}", "apps")
        os.makedirs(target, exist_ok=True)
        with open(os.path.join(target, "q9xz.png"), "wb") as f:
            f.write(png(draw(size)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
