#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

"""Draws the player's four button icons into player/res/.

White glyphs on a green square tile: a left arrow (icon_back) and a
magnifying glass (icon_find) as 40x41 8-bit RGB PNG, a plus (icon_font_up)
and a minus (icon_font_down) as 22x22 baseline JFIF JPEG. The PNG files are
written here with zlib; the JPEG files are encoded by ImageMagick's
`convert` from a PPM drawn here. The images are committed, so this script is
only needed to change them:

    python3 scripts/make-icons.py
"""

import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.join(HERE, "..", "player", "res")

BACKGROUND = (255, 255, 255)
TILE_TOP = (76, 175, 80)
TILE_BOTTOM = (46, 125, 50)
TILE_EDGE = (27, 94, 32)
GLYPH = (255, 255, 255)
SUPERSAMPLING = 4


# --- shapes: predicates over a point (x, y) in pixel units -----------------

def rounded_square(x0, y0, x1, y1, radius):
    def inside(x, y):
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return x0 <= x <= x1 and y0 <= y <= y1 and (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def segment(ax, ay, bx, by, width):
    """A stroke of the given width with round caps from (ax, ay) to (bx, by)."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2.0) ** 2
    return inside


def ring(cx, cy, outer, inner):
    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        return inner ** 2 <= d2 <= outer ** 2
    return inside


def triangle(p0, p1, p2):
    def side(a, b, x, y):
        return (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0])

    def inside(x, y):
        s0, s1, s2 = side(p0, p1, x, y), side(p1, p2, x, y), side(p2, p0, x, y)
        return (s0 >= 0 and s1 >= 0 and s2 >= 0) or (s0 <= 0 and s1 <= 0 and s2 <= 0)
    return inside


def union(*shapes):
    return lambda x, y: any(shape(x, y) for shape in shapes)


# --- drawing -----------------------------------------------------------------

def coverage(shape, px, py):
    hits = 0
    for i in range(SUPERSAMPLING):
        for j in range(SUPERSAMPLING):
            if shape(px + (i + 0.5) / SUPERSAMPLING, py + (j + 0.5) / SUPERSAMPLING):
                hits += 1
    return hits / float(SUPERSAMPLING * SUPERSAMPLING)


def mix(a, b, t):
    return tuple(int(round(a[k] + (b[k] - a[k]) * t)) for k in range(3))


def draw_icon(width, height, glyph):
    """Rows of RGB tuples: the tile with its edge, then the glyph over it."""
    margin = 0.5
    radius = max(2.0, width / 8.0)
    outer = rounded_square(margin, margin, width - margin, height - margin, radius)
    inner = rounded_square(margin + 1.2, margin + 1.2, width - margin - 1.2, height - margin - 1.2, radius - 1.0)
    rows = []
    for py in range(height):
        fill = mix(TILE_TOP, TILE_BOTTOM, py / float(height - 1))
        row = []
        for px in range(width):
            colour = mix(BACKGROUND, TILE_EDGE, coverage(outer, px, py))
            colour = mix(colour, fill, coverage(inner, px, py))
            colour = mix(colour, GLYPH, coverage(glyph, px, py))
            row.append(colour)
        rows.append(row)
    return rows


def back_arrow(w, h):
    cy = h / 2.0
    head = triangle((w * 0.18, cy), (w * 0.50, h * 0.22), (w * 0.50, h * 0.78))
    shaft = segment(w * 0.45, cy, w * 0.80, cy, h * 0.20)
    return union(head, shaft)


def magnifier(w, h):
    glass = ring(w * 0.42, h * 0.40, w * 0.25, w * 0.15)
    handle = segment(w * 0.60, h * 0.58, w * 0.80, h * 0.79, w * 0.13)
    return union(glass, handle)


def plus(w, h):
    return union(segment(w * 0.24, h / 2.0, w * 0.76, h / 2.0, h * 0.18),
                 segment(w / 2.0, h * 0.24, w / 2.0, h * 0.76, w * 0.18))


def minus(w, h):
    return segment(w * 0.24, h / 2.0, w * 0.76, h / 2.0, h * 0.18)


# --- file formats --------------------------------------------------------------

def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, rows):
    """8-bit RGB (colour type 2), not interlaced, filter 0 on every row."""
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in rows)
    data = (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(raw, 9))
            + png_chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(data)


def write_jpeg(path, rows):
    """Baseline JFIF with three components, encoded by ImageMagick."""
    convert = shutil.which("convert")
    if not convert:
        sys.exit("make-icons: ImageMagick's convert is needed for the JPEG icons")
    height, width = len(rows), len(rows[0])
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "icon.ppm")
        with open(ppm, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (width, height))
            f.write(bytes(c for row in rows for pixel in row for c in pixel))
        subprocess.run([convert, ppm, "-strip", "-interlace", "none", "-colorspace", "sRGB",
                        "-sampling-factor", "1x1", "-quality", "92", "JPEG:" + path], check=True)


def main():
    icons = [
        ("icon_back", 40, 41, back_arrow, write_png),
        ("icon_find", 40, 41, magnifier, write_png),
        ("icon_font_up", 22, 22, plus, write_jpeg),
        ("icon_font_down", 22, 22, minus, write_jpeg),
    ]
    for name, width, height, glyph, writer in icons:
        path = os.path.join(RES, name)
        writer(path, draw_icon(width, height, glyph(width, height)))
        print("%s: %dx%d, %d bytes" % (os.path.relpath(path), width, height, os.path.getsize(path)))


if __name__ == "__main__":
    main()
