#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

"""Draws the sample lectures' pictures.

samples/lecture/pictures/: rod.png, temperature along a heated rod (a
falling curve with axes); wall.png, a wall layer coloured from hot to cold
with heat-flow arrows.
samples/windows-lecture/pictures/: circuit.png, a battery, a switch and an
orange resistor joined by wires; graph.png, the straight blue current-voltage
line of a resistor on a grid.
Plain 8-bit RGB PNG written with zlib. The pictures are committed; run this
only to change them:

    python3 samples/make-pictures.py
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


class Canvas:
    def __init__(self, width, height, colour=(255, 255, 255)):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def plot(self, x, y, colour, alpha=1.0):
        x, y = int(x), int(y)
        if 0 <= x < self.width and 0 <= y < self.height:
            old = self.pixels[y][x]
            self.pixels[y][x] = tuple(int(round(old[k] + (colour[k] - old[k]) * alpha)) for k in range(3))

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(int(y0), int(y1)):
            for x in range(int(x0), int(x1)):
                self.plot(x, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=2.0):
        """Anti-aliased by distance to the segment."""
        minx, maxx = int(min(x0, x1) - width), int(max(x0, x1) + width) + 1
        miny, maxy = int(min(y0, y1) - width), int(max(y0, y1) + width) + 1
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy or 1.0
        for y in range(miny, maxy):
            for x in range(minx, maxx):
                px, py = x + 0.5, y + 0.5
                t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
                d = math.hypot(px - (x0 + t * dx), py - (y0 + t * dy))
                cover = max(0.0, min(1.0, width / 2.0 + 0.5 - d))
                if cover > 0:
                    self.plot(x, y, colour, cover)

    def arrow(self, x0, y, x1, colour, width=4.0):
        self.line(x0, y, x1 - 8, y, colour, width)
        for k in range(10):
            self.line(x1 - 12 + k * 0.3, y - 8 + k * 0.8, x1, y, colour, 2.5)
            self.line(x1 - 12 + k * 0.3, y + 8 - k * 0.8, x1, y, colour, 2.5)

    def save_png(self, path):
        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
        raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in self.pixels)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n"
                    + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
                    + chunk(b"IDAT", zlib.compress(raw, 9))
                    + chunk(b"IEND", b""))


def heat_colour(t):
    """0 = cold (blue), 1 = hot (red)."""
    return (int(40 + 200 * t), int(80 + 60 * math.sin(math.pi * t)), int(220 - 180 * t))


def rod():
    c = Canvas(420, 240, (250, 250, 245))
    left, right, top, bottom = 50, 400, 20, 200
    # the rod itself, coloured by its temperature, below the axis
    for x in range(left, right):
        t = math.exp(-3.0 * (x - left) / (right - left))
        for y in range(bottom + 14, bottom + 30):
            c.plot(x, y, heat_colour(t))
    for gx in range(left, right + 1, 50):
        c.line(gx, top, gx, bottom, (220, 220, 215), 1.0)
    for gy in range(top, bottom + 1, 45):
        c.line(left, gy, right, gy, (220, 220, 215), 1.0)
    c.line(left, bottom, right + 8, bottom, (40, 40, 40), 2.0)
    c.line(left, bottom, left, top - 8, (40, 40, 40), 2.0)
    previous = None
    for x in range(left, right + 1, 2):
        y = bottom - (bottom - top) * math.exp(-3.0 * (x - left) / (right - left))
        if previous:
            c.line(previous[0], previous[1], x, y, (200, 40, 40), 3.0)
        previous = (x, y)
    return c


def wall():
    c = Canvas(360, 200, (250, 250, 245))
    for x in range(130, 230):
        t = 1.0 - (x - 130) / 100.0
        c.rect(x, 20, x + 1, 180, heat_colour(t))
    c.rect(20, 20, 130, 180, (255, 226, 200))
    c.rect(230, 20, 340, 180, (205, 225, 255))
    for y in (55, 100, 145):
        c.arrow(40, y, 320, (60, 60, 60), 4.0)
    return c


def circuit():
    c = Canvas(360, 200, (250, 250, 245))
    wire = (40, 40, 40)
    # the loop of wire
    c.line(60, 40, 300, 40, wire, 3.0)
    c.line(300, 40, 300, 160, wire, 3.0)
    c.line(300, 160, 60, 160, wire, 3.0)
    c.line(60, 160, 60, 40, wire, 3.0)
    # the battery on the left side: a long and a short plate
    c.rect(45, 88, 76, 112, (250, 250, 245))
    c.line(40, 92, 80, 92, (40, 70, 200), 5.0)
    c.line(50, 108, 70, 108, (40, 70, 200), 8.0)
    # the resistor on the right side
    c.rect(285, 70, 316, 130, (230, 140, 30))
    # the switch at the top, open
    c.rect(150, 34, 210, 47, (250, 250, 245))
    c.line(150, 40, 200, 22, wire, 3.0)
    for x in (150, 210):
        c.rect(x - 4, 36, x + 4, 44, wire)
    return c


def graph():
    c = Canvas(300, 200, (250, 250, 245))
    left, right, top, bottom = 40, 280, 15, 175
    for gx in range(left, right + 1, 40):
        c.line(gx, top, gx, bottom, (220, 220, 215), 1.0)
    for gy in range(top, bottom + 1, 40):
        c.line(left, gy, right, gy, (220, 220, 215), 1.0)
    c.line(left, bottom, right + 8, bottom, (40, 40, 40), 2.0)
    c.line(left, bottom, left, top - 8, (40, 40, 40), 2.0)
    c.line(left, bottom, right - 20, top + 10, (40, 90, 200), 4.0)
    return c


def main():
    pictures = (("lecture", "rod.png", rod()), ("lecture", "wall.png", wall()),
                ("windows-lecture", "circuit.png", circuit()), ("windows-lecture", "graph.png", graph()))
    for lecture, name, picture in pictures:
        folder = os.path.join(HERE, lecture, "pictures")
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name)
        picture.save_png(path)
        print("%s: %dx%d" % (os.path.relpath(path), picture.width, picture.height))


if __name__ == "__main__":
    main()
