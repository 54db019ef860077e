#!/usr/bin/env python3
"""Draws the tool's icons as 16-colour .ico files: the window icon, the six tray
animation frames (a database drum filling with water) and the three 16 x 16 button
glyphs (test, save, close). Usage: make_images.py <output folder>"""
import os
import struct
import sys

# The standard 16-colour palette (RGB); index 0 is black.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, DARK_GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GREY, RED, GREEN, \
    YELLOW, BLUE, MAGENTA, AQUA, WHITE = range(16)
CLEAR = None


def ico(size, pixels):
    """pixels[y][x] is a palette index or CLEAR; rows top to bottom."""
    xor_row = ((size * 4 + 31) // 32) * 4
    and_row = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(xor_row)
        bits = bytearray(and_row)
        for x in range(size):
            p = pixels[y][x]
            if p is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
                p = 0
            row[x // 2] |= p << (4 if x % 2 == 0 else 0)
        xor += row
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + bytes(xor) + bytes(mask)
    return struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 22) + image


def canvas(size):
    return [[CLEAR] * size for _ in range(size)]


def drum(size, water_rows):
    """A database drum; the lowest water_rows rows of its body are water."""
    p = canvas(size)
    left, right = 5, size - 6
    top, bottom = 6, size - 5
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            p[y][x] = AQUA if y > bottom - water_rows else SILVER
    for y in range(top, bottom + 1):
        p[y][left] = p[y][right] = NAVY
    for x in range(left, right + 1):
        p[top][x] = p[bottom][x] = NAVY
    for band in (top + (bottom - top) // 3, top + 2 * (bottom - top) // 3):
        for x in range(left + 1, right):
            p[band][x] = BLUE
    for x in range(left + 2, right - 1):
        p[top - 2][x] = NAVY
        p[top - 1][x] = WHITE
    p[top - 1][left + 1] = p[top - 1][right - 1] = NAVY
    return p


def glyph_test():
    p = canvas(16)  # a yellow lightning bolt
    for y, (a, b) in enumerate([(9, 11), (8, 10), (7, 9), (6, 8), (5, 7), (4, 11), (7, 10),
                                (6, 9), (6, 8), (5, 7), (4, 6), (3, 5)]):
        for x in range(a, b + 1):
            p[y + 2][x] = YELLOW if x < b else OLIVE
    return p


def glyph_save():
    p = canvas(16)  # a blue diskette
    for y in range(1, 15):
        for x in range(1, 15):
            p[y][x] = NAVY
    for y in range(2, 8):
        for x in range(4, 12):
            p[y][x] = WHITE
    for y in range(10, 14):
        for x in range(5, 11):
            p[y][x] = SILVER
    p[11][6] = p[12][6] = NAVY
    return p


def glyph_close():
    p = canvas(16)  # a red cross
    for i in range(3, 13):
        for d in (0, 1):
            if i + d < 13:
                p[i][i + d] = RED
                p[i][15 - i - d] = RED
    return p


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    files = {"ostrand.ico": ico(32, drum(32, 10))}
    for frame in range(6):
        files["tray%d.ico" % (frame + 1)] = ico(32, drum(32, 2 + frame * 3))
    files["glyph_test.ico"] = ico(16, glyph_test())
    files["glyph_save.ico"] = ico(16, glyph_save())
    files["glyph_close.ico"] = ico(16, glyph_close())
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
