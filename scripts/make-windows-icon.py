#!/usr/bin/env python3
"""Makes resources/windows/velmora.ico from the program's PNG icons (16 to 256 pixels), each image
kept as PNG inside the icon file, as Windows Vista and later read it. Run again when the PNGs change:
    scripts/make-windows-icon.py"""
import struct
from pathlib import Path

root = Path(__file__).resolve().parent.parent
sizes = [16, 32, 48, 64, 128, 256]
images = [(root / "resources" / "icons" / f"velmora{size}.png").read_bytes() for size in sizes]
for size, png in zip(sizes, images):
    width, height = struct.unpack(">II", png[16:24])
    assert png[:8] == b"\x89PNG\r\n\x1a\n" and (width, height) == (size, size), size

header = struct.pack("<HHH", 0, 1, len(images))
offset = len(header) + 16 * len(images)
entries = b""
for size, png in zip(sizes, images):
    # A width or height of 256 is written as 0; 32 bits per pixel.
    entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(png), offset)
    offset += len(png)
(root / "resources" / "windows" / "velmora.ico").write_bytes(header + entries + b"".join(images))
