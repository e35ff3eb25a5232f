#!/usr/bin/env python3
"""Draws app-icon-<size>.png: a teal tile holding a white phone with a camera lens, at the
sizes a menu and a notification area ask an icon theme for.

Run again after changing the drawing; the PNG is committed so the build needs no Python.
Shapes are signed distance fields, so every edge is antialiased without supersampling.
"""
import math
import struct
import zlib

SIZE = 256
TEAL_TOP = (0x22, 0xD0, 0xC1)
TEAL_BOTTOM = (0x0B, 0x8F, 0x84)
INK = (0x04, 0x30, 0x2C)
WHITE = (0xFF, 0xFF, 0xFF)


def round_box(px, py, cx, cy, hw, hh, r):
    """Signed distance from (px, py) to a rounded box centred at (cx, cy)."""
    qx = abs(px - cx) - hw + r
    qy = abs(py - cy) - hh + r
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def circle(px, py, cx, cy, r):
    return math.hypot(px - cx, py - cy) - r


def blend(dst, src, a):
    return tuple(dst[i] * (1 - a) + src[i] * a for i in range(3))


def pixel(x, y, size=SIZE):
    # The drawing is laid out on a 256 grid; a smaller icon samples it at its own pixel
    # centres and keeps the one-pixel edge smoothing of its own pixels.
    scale = SIZE / size
    px, py = (x + 0.5) * scale, (y + 0.5) * scale

    def coverage(d):
        return min(1.0, max(0.0, 0.5 - d / scale))

    tile = coverage(round_box(px, py, 128, 128, 120, 120, 54))
    if tile <= 0:
        return (0, 0, 0, 0)
    t = py / SIZE
    rgb = tuple(TEAL_TOP[i] * (1 - t) + TEAL_BOTTOM[i] * t for i in range(3))
    # Phone body: an outline 11 px wide.
    body = round_box(px, py, 128, 132, 50, 80, 20)
    rgb = blend(rgb, WHITE, coverage(abs(body + 5.5) - 5.5))
    # Speaker notch near the top edge of the screen.
    rgb = blend(rgb, WHITE, coverage(round_box(px, py, 128, 72, 15, 4, 4)))
    # Camera lens: white ring, dark glass, a small highlight.
    rgb = blend(rgb, WHITE, coverage(circle(px, py, 128, 138, 30)))
    rgb = blend(rgb, INK, coverage(circle(px, py, 128, 138, 19)))
    rgb = blend(rgb, WHITE, coverage(circle(px, py, 121, 131, 5)))
    return tuple(int(round(c)) for c in rgb) + (int(round(255 * tile)),)


def write_png(path, rows, size=SIZE):
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    import os
    here = os.path.dirname(os.path.abspath(__file__))
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        out = os.path.join(here, "app-icon-%d.png" % size)
        write_png(out, [[pixel(x, y, size) for x in range(size)] for y in range(size)], size)
