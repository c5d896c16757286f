#!/usr/bin/env python3
"""Draws quillmer.ico: the calendar page of the program's picture at each size
Windows asks for (title bar, taskbar, Explorer at 100 % to 200 % scaling).

Each size is drawn anew from the 32-pixel plan with its edges on whole pixels
and its outlines at least a pixel wide, so that no size is a blurred copy of
another. Run it from this directory after changing the picture; the icon is
kept in the repository so the build needs no Python.
"""
import struct
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 256)
COLOURS = {"k": (0x20, 0x20, 0x20), "w": (0xFF, 0xFF, 0xFF), "r": (0xD0, 0x30, 0x30),
           "g": (0xA0, 0xA0, 0xA0), "s": (0x80, 0x90, 0xA0), "b": (0x20, 0x60, 0xD0)}


def draw(size):
    """The picture at size x size pixels: rows of colour keys, None for clear."""
    img = [[None] * size for _ in range(size)]
    f = size / 32
    line = max(1, round(f))

    def edges(x0, y0, x1, y1):  # inclusive cells of the 32-pixel plan
        return round(x0 * f), round(y0 * f), max(round((x1 + 1) * f), round(x0 * f) + 1), \
            max(round((y1 + 1) * f), round(y0 * f) + 1)

    def fill(x0, y0, x1, y1, c):
        a, b, e, d = edges(x0, y0, x1, y1)
        for y in range(b, d):
            for x in range(a, e):
                img[y][x] = c

    def frame(x0, y0, x1, y1, c):
        a, b, e, d = edges(x0, y0, x1, y1)
        for y in range(b, d):
            for x in range(a, e):
                if x < a + line or x >= e - line or y < b + line or y >= d - line:
                    img[y][x] = c

    fill(3, 5, 28, 29, "w")                # page
    fill(3, 5, 28, 11, "r")                # header
    frame(3, 5, 28, 29, "k")
    for x in (9, 22):                      # binder rings
        fill(x, 2, x + 1, 7, "g")
        frame(x - 1, 2, x + 2, 7, "k")
    rows, cols = (4, 5) if size >= 32 else (3, 3)
    for row in range(rows):                # day grid, fewer days when small
        for col in range(cols):
            x, y = 6 + col * 4 * 5 // cols, 14 + row * 4 * 4 // rows
            fill(x, y, x + 2, y + 1, "s")
    fill(17, 21, 21, 24, "b")              # today
    return img


def rgba(img):
    return [[(0, 0, 0, 0) if c is None else COLOURS[c] + (255,) for c in row] for row in img]


def png(pixels):
    size = len(pixels)
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) + \
        chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def dib(pixels):
    """32-bit BGRA, bottom-up, with the 1-bit mask older readers want."""
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    stride = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + colour + mask


def ico(sizes):
    images = [(s, png(rgba(draw(s))) if s >= 256 else dib(rgba(draw(s)))) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in images:
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


if __name__ == "__main__":
    with open("quillmer.ico", "wb") as f:
        f.write(ico(SIZES))
