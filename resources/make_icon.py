#!/usr/bin/env python3
"""Draws the installer's icon and writes resources/installer.ico (16, 32 and 48 px).

A blue rounded square in the window's button colours with a white arrow going down into a
tray. Each size is drawn from the same shapes, anti-aliased by sampling every pixel on a 4 x 4
grid, and stored as a PNG image with alpha, which every supported system (Vista onwards) reads
for any size: a tenth of the size of the uncompressed bitmaps.
Standard library only; run it again after changing the drawing and commit both files.
"""

import pathlib
import struct
import zlib

SIZES = (16, 32, 48)
SAMPLES = 4
TOP = (0x4B, 0x67, 0xA1)  # the buttons' hover background
BOTTOM = (0x2A, 0x42, 0x80)  # their pressed-state text colour
WHITE = (0xFF, 0xFF, 0xFF)


def in_rounded_square(x, y, inset=0.03, radius=0.2):
    low, high = inset, 1.0 - inset
    if not (low <= x <= high and low <= y <= high):
        return False
    cx = min(max(x, low + radius), high - radius)
    cy = min(max(y, low + radius), high - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2


def in_rect(x, y, left, top, right, bottom):
    return left <= x <= right and top <= y <= bottom


def in_arrow_head(x, y, apex_y=0.68, base_y=0.44, half_width=0.25):
    if not (base_y <= y <= apex_y):
        return False
    return abs(x - 0.5) <= half_width * (apex_y - y) / (apex_y - base_y)


def in_symbol(x, y):
    shaft = in_rect(x, y, 0.41, 0.15, 0.59, 0.46)
    tray = (in_rect(x, y, 0.20, 0.76, 0.80, 0.84) or in_rect(x, y, 0.20, 0.60, 0.29, 0.84)
            or in_rect(x, y, 0.71, 0.60, 0.80, 0.84))
    return shaft or in_arrow_head(x, y) or tray


def pixel(column, row, size):
    """Premultiplied-free BGRA of one pixel, from the share of samples each shape covers."""
    inside = symbol = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = (column + (sx + 0.5) / SAMPLES) / size
            y = (row + (sy + 0.5) / SAMPLES) / size
            if in_rounded_square(x, y):
                inside += 1
                symbol += in_symbol(x, y)
    if inside == 0:
        return (0, 0, 0, 0)
    t = (row + 0.5) / size
    back = [round(a + (b - a) * t) for a, b in zip(TOP, BOTTOM)]
    share = symbol / inside
    red, green, blue = [round(c + (w - c) * share) for c, w in zip(back, WHITE)]
    alpha = round(255 * inside / SAMPLES**2)
    return (blue, green, red, alpha)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def icon_image(size):
    """A PNG: 8-bit RGBA rows, top-down, each with the Sub filter, which suits flat colour."""
    raw = bytearray()
    for row in range(size):
        raw.append(1)
        previous = (0, 0, 0, 0)
        for column in range(size):
            blue, green, red, alpha = pixel(column, row, size)
            current = (red, green, blue, alpha)
            raw += bytes((c - p) & 0xFF for c, p in zip(current, previous))
            previous = current
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))


def main():
    images = [icon_image(size) for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, image in zip(SIZES, images):
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    target = pathlib.Path(__file__).resolve().parent / "installer.ico"
    target.write_bytes(directory + entries + b"".join(images))


if __name__ == "__main__":
    main()
