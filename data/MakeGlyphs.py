#!/usr/bin/env python3
"""Draws the glyphs of the main window's twelve toolbar buttons and writes them as BMP files.

Each button has three 28 x 28 pictures: "<name>_inactive.bmp" (muted colours, shown while the
mouse is elsewhere), "<name>_active.bmp" (full colours, under the mouse) and
"<name>_disabled.bmp" (its darker strokes embossed in grey). Olive (128, 128, 0) is the
background the button leaves out. The program's icon "vantrel.ico" (32 x 32) is drawn as well.
The pictures are drawn here from simple shapes, so the build makes them.

Usage: MakeGlyphs.py <output folder>
"""
import math
import os
import struct
import sys

SIZE = 28
OLIVE = (128, 128, 0)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (128, 128, 128)
SILVER = (192, 192, 192)
GOLD = (232, 184, 24)
DARKGOLD = (150, 110, 0)
GREEN = (0, 140, 60)
DARKGREEN = (0, 90, 40)
RED = (210, 30, 30)
BLUE = (30, 80, 200)
NAVY = (0, 0, 128)
BROWN = (140, 80, 30)
SKY = (120, 180, 240)

# 5 x 7 pictures of the few characters the glyphs show.
CHARS = {
    "$": ["..#..", ".####", "#.#..", ".###.", "..#.#", "####.", "..#.."],
    "%": ["##..#", "##.#.", "...#.", "..#..", ".#...", ".#.##", "#..##"],
    "?": [".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."],
}


class Glyph:
    def __init__(self):
        self.px = [[OLIVE] * SIZE for _ in range(SIZE)]

    def put(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, fill, border=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                self.put(x, y, border if (edge and border) else fill)

    def ellipse(self, cx, cy, rx, ry, fill, border=None):
        for y in range(SIZE):
            for x in range(SIZE):
                d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
                if d <= 1.0:
                    inner = ((x - cx) / max(rx - 1, 0.5)) ** 2 + ((y - cy) / max(ry - 1, 0.5)) ** 2
                    self.put(x, y, border if (border and inner > 1.0) else fill)

    def line(self, x0, y0, x1, y1, c, width=1):
        steps = int(max(abs(x1 - x0), abs(y1 - y0), 1))
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            for dx in range(width):
                for dy in range(width):
                    self.put(x + dx, y + dy, c)

    def polygon(self, points, fill, border=None):
        for y in range(SIZE):
            xs = []
            n = len(points)
            for i in range(n):
                (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
                if (ya <= y < yb) or (yb <= y < ya):
                    xs.append(xa + (y - ya) * (xb - xa) / (yb - ya))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for x in range(math.ceil(a), math.floor(b) + 1):
                    self.put(x, y, fill)
        if border:
            for i in range(len(points)):
                self.line(*points[i], *points[(i + 1) % len(points)], border)

    def char(self, ch, x0, y0, c, scale=1):
        for row, bits in enumerate(CHARS[ch]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    for dx in range(scale):
                        for dy in range(scale):
                            self.put(x0 + col * scale + dx, y0 + row * scale + dy, c)


def loan(g):
    g.ellipse(13.5, 13.5, 12, 12, GOLD, DARKGOLD)
    g.char("$", 9, 7, DARKGOLD, 2)


def interest(g):
    g.rect(3, 5, 24, 25, WHITE, BLACK)
    g.rect(3, 5, 24, 9, RED, BLACK)
    for x in (7, 20):
        g.line(x, 2, x, 6, BLACK, 2)
    g.char("%", 11, 12, NAVY)
    g.line(6, 21, 21, 21, GREY)


def remaining(g):
    g.line(3, 25, 25, 25, BLACK)
    g.line(3, 3, 3, 25, BLACK)
    for i, h in enumerate((19, 15, 11, 7, 4)):
        x = 5 + i * 4
        g.rect(x, 25 - h, x + 2, 24, BLUE, NAVY)


def accelerated(g):
    g.ellipse(9.5, 13.5, 7, 7, GOLD, DARKGOLD)
    g.char("$", 7, 10, DARKGOLD)
    for x0 in (15, 20):
        g.polygon([(x0, 7), (x0 + 6, 13.5), (x0, 20)], GREEN, DARKGREEN)


def balloon(g):
    g.ellipse(13.5, 10, 8, 9, RED, (130, 0, 0))
    g.polygon([(12, 18), (15, 18), (13.5, 21)], (130, 0, 0))
    g.line(13, 21, 11, 24, BLACK)
    g.line(11, 24, 14, 27, BLACK)
    g.line(10, 6, 12, 4, WHITE)


def house(g):
    g.polygon([(1, 13), (13.5, 2), (26, 13)], RED, (130, 0, 0))
    g.rect(5, 13, 22, 25, (240, 220, 170), BROWN)
    g.rect(11, 17, 16, 25, BROWN, BLACK)
    g.rect(17, 15, 20, 18, SKY, BLACK)
    g.rect(19, 3, 21, 8, BROWN)


def schedule(g):
    g.rect(3, 2, 24, 25, WHITE, BLACK)
    g.rect(3, 2, 24, 6, GREEN, BLACK)
    for y in range(10, 25, 4):
        g.line(4, y, 23, y, GREY)
    for x in (10, 17):
        g.line(x, 7, x, 24, GREY)


def car(g):
    g.polygon([(2, 15), (6, 8), (20, 8), (25, 15)], BLUE, NAVY)
    g.rect(1, 15, 26, 21, BLUE, NAVY)
    g.polygon([(7, 10), (12, 10), (12, 14), (5, 14)], SKY)
    g.polygon([(14, 10), (19, 10), (22, 14), (14, 14)], SKY)
    g.ellipse(7, 21, 3.5, 3.5, BLACK)
    g.ellipse(20, 21, 3.5, 3.5, BLACK)
    g.put(7, 21, SILVER)
    g.put(20, 21, SILVER)


def points(g):
    g.line(13, 3, 13, 24, BROWN, 2)
    g.line(4, 7, 23, 7, BROWN, 2)
    g.rect(8, 24, 19, 25, BROWN)
    for cx in (5, 22):
        g.line(cx, 8, cx - 3, 16, BLACK)
        g.line(cx, 8, cx + 3, 16, BLACK)
        g.polygon([(cx - 5, 16), (cx + 5, 16), (cx + 3, 19), (cx - 3, 19)], GOLD, DARKGOLD)


def refinance(g):
    for a in range(20, 160, 3):
        t = math.radians(a)
        g.put(round(13.5 + 9 * math.cos(t)), round(13.5 - 9 * math.sin(t)), GREEN)
        g.put(round(13.5 + 10 * math.cos(t)), round(13.5 - 10 * math.sin(t)), GREEN)
        g.put(round(13.5 - 9 * math.cos(t)), round(13.5 + 9 * math.sin(t)), BLUE)
        g.put(round(13.5 - 10 * math.cos(t)), round(13.5 + 10 * math.sin(t)), BLUE)
    g.polygon([(20, 4), (26, 10), (18, 11)], GREEN)
    g.polygon([(7, 23), (1, 17), (9, 16)], BLUE)
    g.char("$", 11, 10, DARKGOLD)


def helpglyph(g):
    g.ellipse(13.5, 13.5, 12, 12, BLUE, NAVY)
    g.char("?", 9, 7, WHITE, 2)


def exitglyph(g):
    g.rect(4, 2, 17, 25, BROWN, BLACK)
    g.polygon([(4, 2), (12, 5), (12, 27), (4, 25)], (190, 120, 60), BLACK)
    g.put(10, 15, GOLD)
    g.line(15, 14, 24, 14, RED, 2)
    g.polygon([(21, 10), (26, 14.5), (21, 19)], RED)


BUTTONS = [
    ("loan", loan), ("intdue", interest), ("rembal", remaining), ("accelpmt", accelerated),
    ("balloonpmt", balloon), ("affhse", house), ("amortschld", schedule), ("lsbuy", car),
    ("points", points), ("refin", refinance), ("help", helpglyph), ("exit", exitglyph),
]


def luminance(c):
    return (c[0] * 30 + c[1] * 59 + c[2] * 11) // 100


def muted(c):
    grey = luminance(c)
    return tuple((v * 2 + grey * 3) // 5 for v in c)


def variant(px, kind):
    out = [[OLIVE] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            c = px[y][x]
            if c == OLIVE:
                continue
            if kind == "active":
                out[y][x] = c
            elif kind == "inactive":
                out[y][x] = muted(c)
    if kind == "disabled":
        # The darker strokes embossed: grey with a white edge below and to the right.
        dark = [[px[y][x] != OLIVE and luminance(px[y][x]) < 150 for x in range(SIZE)]
                for y in range(SIZE)]
        for y in range(SIZE - 1):
            for x in range(SIZE - 1):
                if dark[y][x]:
                    out[y + 1][x + 1] = WHITE
        for y in range(SIZE):
            for x in range(SIZE):
                if dark[y][x]:
                    out[y][x] = GREY
    return out


def write_bmp(path, px):
    row = SIZE * 3
    pad = (4 - row % 4) % 4
    data = bytearray()
    for y in reversed(range(SIZE)):
        for x in range(SIZE):
            r, g, b = px[y][x]
            data += bytes((b, g, r))
        data += b"\0" * pad
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def icon(g):
    house(g)
    g.ellipse(19.5, 19.5, 7, 7, GOLD, DARKGOLD)
    g.char("$", 17, 16, DARKGOLD)


def write_ico(path, px):
    """A 32 x 32 icon of 32-bit pixels; the background is see-through."""
    side = 32
    off = (side - SIZE) // 2
    pixels = bytearray()
    mask = bytearray()
    for y in reversed(range(side)):
        bits = 0
        row_mask = bytearray()
        for x in range(side):
            gx, gy = x - off, y - off
            inside = 0 <= gx < SIZE and 0 <= gy < SIZE and px[gy][gx] != OLIVE
            r, g, b = px[gy][gx] if inside else (0, 0, 0)
            pixels += bytes((b, g, r, 255 if inside else 0))
            bits = (bits << 1) | (0 if inside else 1)
            if x % 8 == 7:
                row_mask.append(bits)
                bits = 0
        mask += row_mask
    info = struct.pack("<IiiHHIIiiII", 40, side, side * 2, 1, 32, 0, len(pixels) + len(mask),
                       0, 0, 0, 0)
    image = info + pixels + mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(header + entry + image)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, draw in BUTTONS:
        g = Glyph()
        draw(g)
        for kind in ("inactive", "active", "disabled"):
            write_bmp(os.path.join(folder, "%s_%s.bmp" % (name, kind)), variant(g.px, kind))
    g = Glyph()
    icon(g)
    write_ico(os.path.join(folder, "vantrel.ico"), g.px)


if __name__ == "__main__":
    main()
