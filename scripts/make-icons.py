#!/usr/bin/env python3
"""Draws the programs' icons (a soft glow) and writes them as .ico files with PNG images.

Run it only to change the icons; the .ico files are committed. With zopflipng (Debian's zopfli) on the
machine each image is packed once more, losslessly: the installer carries the icon twice.
"""
import math
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib
from pathlib import Path


ALPHA_STEPS = 15  # 16 levels of glow: smooth at icon sizes, and the installer carries the icon twice
CORE_STEPS = 7


def glow_indexed(size, hue, alpha_steps, core_steps):
    """Palette image: alpha steps times core steps, so it fits a small palette and packs small."""
    palette, alphas, index, rows = [], [], {}, []
    c = (size - 1) / 2.0
    for y in range(size):
        row = []
        for x in range(size):
            d = math.hypot(x - c, y - c) / (size / 2.0)
            a = round((max(0.0, 1.0 - d) ** 1.6) * alpha_steps)
            core = round((max(0.0, 1.0 - d * 2.2) ** 2) * core_steps) if a else 0
            key = (a, core)
            if key not in index:
                index[key] = len(palette)
                k = core / core_steps
                palette.append(bytes(min(255, int(v + (255 - v) * k)) for v in hue))
                alphas.append(round(a * 255 / alpha_steps))
            row.append(index[key])
        rows.append(row)
    return rows, b"".join(palette), bytes(alphas)


def filtered(rows, kind):
    """The rows with a PNG filter byte in front: 0 as they are, 1 each byte less the one before it."""
    out = bytearray()
    for row in rows:
        out.append(kind)
        out += bytes(row) if kind == 0 else bytes((v - (row[i - 1] if i else 0)) % 256 for i, v in enumerate(row))
    return bytes(out)


def png(size, hue, steps):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    rows, palette, alphas = glow_indexed(size, hue, *steps)
    pixels = min((zlib.compress(filtered(rows, kind), 9) for kind in (0, 1)), key=len)
    alphas = alphas.rstrip(b"\xff")  # entries past the table are opaque
    header = struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0)
    return packed(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"PLTE", palette) + chunk(b"tRNS", alphas) +
                  chunk(b"IDAT", pixels) + chunk(b"IEND", b""))


def packed(image):
    """The same image, smaller where zopflipng finds a better packing."""
    if not shutil.which("zopflipng"):
        return image
    with tempfile.TemporaryDirectory() as work:
        source, target = Path(work, "in.png"), Path(work, "out.png")
        source.write_bytes(image)
        subprocess.run(["zopflipng", "-y", "--iterations=50", "--filters=01234mepb", source, target],
                       check=True, capture_output=True)
        smaller = target.read_bytes()
    return min(image, smaller, key=len)


def ico(sizes, hue, steps=(ALPHA_STEPS, CORE_STEPS)):
    images = [png(s, hue, steps) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
    program_icon = ico([16, 20, 24, 32, 40, 48, 56, 64, 80, 96], (255, 150, 40))
    (root / "installer" / "glow.ico").write_bytes(program_icon)
    # The launcher is the uninstall command: it wears the uninstaller's small icon, which keeps the
    # installer that carries both within its budget.
    removal_icon = ico([16, 32], (120, 160, 255))
    (root / "launcher" / "glowrun.ico").write_bytes(removal_icon)
    (root / "uninstaller" / "glowclear.ico").write_bytes(removal_icon)


if __name__ == "__main__":
    main()
