#!/usr/bin/env python3
"""Draws the launcher's icon (a download arrow over a tray on a blue tile) as a Windows .ico file
with 16, 32 and 48 pixel images: python3 tools/draw_icon.py src/launcher/resources/Skylaunch.ico"""
import struct
import sys


def pixel(x, y, n):
    """RGBA of one pixel of an n×n image; coordinates scaled to a 48-unit design grid."""
    u, v = (x + 0.5) * 48 / n, (y + 0.5) * 48 / n
    corner = 8
    dx = max(corner - u, 0, u - (48 - corner))
    dy = max(corner - v, 0, v - (48 - corner))
    if dx * dx + dy * dy > corner * corner:
        return (0, 0, 0, 0)
    white = (255, 255, 255, 255)
    shaft = 20 <= u <= 28 and 8 <= v <= 24
    head = v >= 22 and v <= 34 and abs(u - 24) <= (34 - v)
    tray = 36 <= v <= 40 and 10 <= u <= 38 or 30 <= v <= 40 and (10 <= u <= 14 or 34 <= u <= 38)
    if shaft or head or tray:
        return white
    shade = int(40 * v / 48)
    return (30, 110 - shade, 200 - shade, 255)


def image(n):
    rows = []
    for y in reversed(range(n)):  # bottom-up, as the bitmap format wants
        rows.append(b"".join(bytes((b, g, r, a)) for r, g, b, a in (pixel(x, y, n) for x in range(n))))
    mask_row = ((n + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + bytes(mask_row * n)


def main(path):
    sizes = (16, 32, 48)
    images = [image(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1])
