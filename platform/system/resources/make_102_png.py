#!/usr/bin/env python3
"""Writes 102_PNG.png, the engine's own image resource (number 102, type
"PNG"): a 64 x 64 picture of a ring with a quill stroke through it, the
letter Q of Quillon, on a transparent ground. Plain zlib and struct, so the
bytes depend on nothing but this script:
    python3 platform/system/resources/make_102_png.py
"""
import math
import os
import struct
import zlib

SIZE = 64
INK = (0x2B, 0x3F, 0x8C)


def coverage(x, y):
    """How much of the pixel (x, y) the letter covers, 0 to 1, by 4 x 4 samples."""
    hits = 0
    for sy in range(4):
        for sx in range(4):
            px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
            r = math.hypot(px - 30, py - 30)
            ring = 17 <= r <= 24
            # The quill: a stroke from inside the ring out to the lower right.
            t = ((px - 34) + (py - 34)) / 2
            d = abs((px - 34) - (py - 34)) / math.sqrt(2)
            stroke = 0 <= t <= 22 and d <= 3.2 - t * 0.12
            hits += ring or stroke
    return hits / 16


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            a = round(coverage(x, y) * 255)
            row += list(INK) + [a] if a else [0, 0, 0, 0]
        rows.append(row)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "102_PNG.png")
    with open(out, "wb") as f:
        f.write(png(SIZE, SIZE, rows))


if __name__ == "__main__":
    main()
