#!/usr/bin/env python3
"""Draws Varnelo's icon and writes it as a Windows .ico with 16, 32, 48 and 64 pixel images
in 32-bit colour (BGRA with alpha) and a 256 pixel image stored as PNG, as Windows Vista and
later read it for large views.

    python3 res/make_icon.py res/varnelo.ico

The picture: a teal tile with a white sheet cut in two, the lower piece shifted aside, the
way a file is split into pieces and joined again. Shapes are drawn in unit coordinates and
sampled 4 x 4 times per pixel for smooth edges. Only the standard library is used.
"""

import struct
import sys
import zlib

SIZES = (16, 32, 48, 64)
# Stored as PNG: as a bitmap this image alone would take 256 KiB of the executable.
PNG_SIZE = 256
SAMPLES = 4

TEAL_TOP = (18, 132, 142)
TEAL_BOTTOM = (8, 82, 92)
WHITE = (250, 250, 247)
FOLD = (196, 214, 216)
ORANGE = (243, 146, 42)


def inside_rounded_square(x, y, inset, radius):
    lo, hi = inset + radius, 1 - inset - radius
    dx = max(lo - x, 0, x - hi)
    dy = max(lo - y, 0, y - hi)
    return x >= inset and x <= 1 - inset and y >= inset and y <= 1 - inset and dx * dx + dy * dy <= radius * radius


def inside_polygon(x, y, points):
    # Even-odd rule: count the edges a ray to the right crosses.
    crossing = False
    for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            crossing = not crossing
    return crossing


def inside_box(x, y, left, top, right, bottom):
    return left <= x <= right and top <= y <= bottom


UPPER_PIECE = [(0.24, 0.14), (0.60, 0.14), (0.72, 0.26), (0.72, 0.47), (0.24, 0.47)]
UPPER_FOLD = [(0.60, 0.14), (0.60, 0.26), (0.72, 0.26)]
LOWER_PIECE = [(0.30, 0.55), (0.78, 0.55), (0.78, 0.86), (0.30, 0.86)]
TEXT_BARS = [(0.31, 0.28, 0.55, 0.33), (0.31, 0.37, 0.64, 0.42), (0.37, 0.62, 0.71, 0.67), (0.37, 0.72, 0.62, 0.77)]


def colour_at(x, y):
    """The colour (r, g, b) and opacity (0 or 1) of one sample point."""
    if not inside_rounded_square(x, y, 0.03, 0.18):
        return (0, 0, 0), 0
    for bar in TEXT_BARS:
        if inside_box(x, y, *bar):
            return ORANGE, 1
    if inside_polygon(x, y, UPPER_FOLD):
        return FOLD, 1
    if inside_polygon(x, y, UPPER_PIECE) or inside_polygon(x, y, LOWER_PIECE):
        return WHITE, 1
    t = y
    return tuple(round(a + (b - a) * t) for a, b in zip(TEAL_TOP, TEAL_BOTTOM)), 1


def render(size):
    """Rows of (b, g, r, a) pixels, top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            red = green = blue = alpha = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    (r, g, b), a = colour_at((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    red, green, blue, alpha = red + r * a, green + g * a, blue + b * a, alpha + a
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(blue / alpha), round(green / alpha), round(red / alpha),
                            round(255 * alpha / (SAMPLES * SAMPLES))))
        rows.append(row)
    return rows


def icon_image(size):
    """One image of the icon file: a BITMAPINFOHEADER, the BGRA pixels bottom row first, and
    the 1-bit transparency mask that older readers use."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(channel for pixel in row for channel in pixel) for row in reversed(rows))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def png_image(size):
    """One image of the icon file as a whole PNG file: 8-bit RGBA, no interlacing."""

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    # Each row starts with its filter type, 0 (none); zlib does the compressing.
    raw = b"".join(b"\0" + bytes(channel for b, g, r, a in row for channel in (r, g, b, a)) for row in render(size))
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    images = [(size, icon_image(size)) for size in SIZES] + [(PNG_SIZE, png_image(PNG_SIZE))]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    for size, image in images:
        # The directory's width and height are one byte each; 0 stands for 256.
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(sys.argv[1], "wb") as out:
        out.write(directory + b"".join(image for _, image in images))


if __name__ == "__main__":
    main()
