#!/usr/bin/env python3
"""Writes tavo.ico (16x16 and 32x32, 32-bit with alpha): a soft cyan glow with a pink core.
Run again only to change the icon; the .ico is kept in the repo so builds need no Python."""
import math
import os
import struct
import sys


def image(size):
    rows = []
    c = (size - 1) / 2.0
    for y in range(size - 1, -1, -1):  # BMP rows go bottom-up
        row = b""
        for x in range(size):
            d = math.hypot(x - c, y - c) / (size / 2.0)
            halo = max(0.0, 1.0 - d) ** 1.6
            core = math.exp(-d * d * 18.0)
            r = min(255, int(40 * halo + 255 * core))
            g = min(255, int(200 * halo + 120 * core))
            b = min(255, int(255 * halo + 220 * core))
            a = min(255, int(255 * min(1.0, halo * 1.4 + core)))
            row += struct.pack("BBBB", b, g, r, a)
        rows.append(row)
    pixels = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_row * size)  # alpha does the work; AND mask all opaque
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "tavo.ico")
    sizes = [16, 32]
    blobs = [image(s) for s in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, blob in zip(sizes, blobs):
        data += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    data += b"".join(blobs)
    with open(out, "wb") as f:
        f.write(data)


main()
