#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

"""Draws the viewer's application icon: host/desktop/kelvane-viewer.svg and
the PNG sizes of the hicolor theme in host/desktop/icons/SIZE/.

A green rounded tile (the player's button colours) with a white page on it:
a folded corner, two lines of text and a picture. The SVG and the PNG files
are drawn here from one list of shapes; the PNG files are rasterised with
4x4 supersampling and written with zlib. The files are committed, so this
script is only needed to change them:

    python3 scripts/make-app-icon.py
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "host", "desktop")
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SUPERSAMPLING = 4
VIEW = 256.0  # the shapes' coordinate space

TILE_TOP = (76, 175, 80)
TILE_BOTTOM = (46, 125, 50)
TILE_EDGE = (27, 94, 32)
PAGE = (255, 255, 255)
FOLD = (200, 214, 201)
TEXT = (84, 96, 86)
SKY = (144, 202, 249)
HILL = (46, 125, 50)
SUN = (255, 193, 7)


def rounded_square(x0, y0, x1, y1, radius):
    def inside(x, y):
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return x0 <= x <= x1 and y0 <= y <= y1 and (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def polygon(points):
    """Even-odd rule, as SVG's fill-rule="evenodd"."""
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def circle(cx, cy, r):
    def inside(x, y):
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def rect(x0, y0, x1, y1):
    return polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)])


PAGE_OUTLINE = [(64, 40), (160, 40), (196, 76), (196, 216), (64, 216)]
FOLD_TRIANGLE = [(160, 40), (160, 76), (196, 76)]
HILLS = [(84, 192), (118, 146), (140, 170), (156, 154), (180, 192)]

# (predicate, colour, svg element); the tile's colour is a gradient.
SHAPES = [
    (rounded_square(12, 12, 244, 244, 44), TILE_EDGE,
     '<rect x="12" y="12" width="232" height="232" rx="44" fill="#%02x%02x%02x"/>' % TILE_EDGE),
    (rounded_square(18, 18, 238, 238, 38), "gradient",
     '<rect x="18" y="18" width="220" height="220" rx="38" fill="url(#tile)"/>'),
    (polygon(PAGE_OUTLINE), PAGE,
     '<path d="M64 40H160L196 76V216H64Z" fill="#ffffff"/>'),
    (polygon(FOLD_TRIANGLE), FOLD,
     '<path d="M160 40V76H196Z" fill="#%02x%02x%02x"/>' % FOLD),
    (rect(84, 90, 176, 102), TEXT,
     '<rect x="84" y="90" width="92" height="12" fill="#%02x%02x%02x"/>' % TEXT),
    (rect(84, 112, 150, 124), TEXT,
     '<rect x="84" y="112" width="66" height="12" fill="#%02x%02x%02x"/>' % TEXT),
    (rect(84, 138, 180, 192), SKY,
     '<rect x="84" y="138" width="96" height="54" fill="#%02x%02x%02x"/>' % SKY),
    (circle(162, 154, 9), SUN,
     '<circle cx="162" cy="154" r="9" fill="#%02x%02x%02x"/>' % SUN),
    (polygon(HILLS), HILL,
     '<path d="M84 192L118 146L140 170L156 154L180 192Z" fill="#%02x%02x%02x"/>' % HILL),
]


def gradient(y):
    t = min(max((y - 18) / 220.0, 0.0), 1.0)
    return tuple(TILE_TOP[i] + (TILE_BOTTOM[i] - TILE_TOP[i]) * t for i in range(3))


def sample(x, y):
    colour = None
    for inside, fill, _ in SHAPES:
        if inside(x, y):
            colour = gradient(y) if fill == "gradient" else fill
    return colour


def raster(size):
    rows = []
    scale = VIEW / size
    n = SUPERSAMPLING
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(n):
                for sx in range(n):
                    c = sample((px + (sx + 0.5) / n) * scale, (py + (sy + 0.5) / n) * scale)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            if a:
                row += bytes((round(r / a), round(g / a), round(b / a), round(255 * a / (n * n))))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(rows)


def png(size, pixels):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b""))


def svg():
    top = "#%02x%02x%02x" % TILE_TOP
    bottom = "#%02x%02x%02x" % TILE_BOTTOM
    body = "\n  ".join(element for _, _, element in SHAPES)
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        "<!-- SPDX-FileCopyrightText: 2026 The Kelvane developers -->\n"
        "<!-- SPDX-License-Identifier: MIT -->\n"
        '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">\n'
        '  <defs><linearGradient id="tile" x1="0" y1="18" x2="0" y2="238" gradientUnits="userSpaceOnUse">'
        '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient></defs>\n'
        "  %s\n</svg>\n" % (top, bottom, body))


def main():
    with open(os.path.join(OUT, "kelvane-viewer.svg"), "w", encoding="utf-8") as f:
        f.write(svg())
    for size in SIZES:
        folder = os.path.join(OUT, "icons", str(size))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "kelvane-viewer.png"), "wb") as f:
            f.write(png(size, raster(size)))


if __name__ == "__main__":
    main()
