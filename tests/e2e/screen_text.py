"""Reads the figures a window shows from a picture of the screen.

The program draws its text without smoothing, so each character is always the same pattern
of black pixels. The patterns are learnt from a text the test itself typed into a field (an
amount with every digit, which the field shows with its currency sign, separators and cents),
and a box of the window (a table's cell, a total) is then read by cutting its black pixels into
characters at the empty columns between them and looking each one up.
"""

import subprocess

from driver import Failure, check

INK = b"\0\0\0"
# The rows kept of a character, from the top of the line's text: a digit's height and a
# comma's tail below it.
GLYPH_HEIGHT = 12


class Picture:
    """The pixels of one window as the screen shows it."""

    def __init__(self, env, wid):
        done = subprocess.run(["import", "-window", wid, "-depth", "8", "ppm:-"], env=env,
                              capture_output=True, timeout=20)
        check(done.returncode == 0, f"import could not take a picture of window {wid}")
        magic, size, depth, data = done.stdout.split(b"\n", 3)
        self.width, self.height = (int(v) for v in size.split())
        check(magic == b"P6" and depth == b"255" and len(data) >= self.width * self.height * 3,
              f"import gave no picture of window {wid}")
        self.data = data

    def colour(self, x, y):
        """The colour of one pixel of the window: its red, green and blue bytes."""
        start = (y * self.width + x) * 3
        return self.data[start:start + 3]

    def ink(self, box):
        """Which pixels of a box (x, y, width, height) of the window are black, row by row."""
        x, y, w, h = box
        rows = []
        for r in range(y, min(y + h, self.height)):
            start = (r * self.width + x) * 3
            line = self.data[start:start + min(w, self.width - x) * 3]
            rows.append([line[k:k + 3] == INK for k in range(0, len(line), 3)])
        return rows


def glyphs(ink):
    """The characters of a one-line text, left to right: each one the pattern of its black
    pixels between two empty columns, from the top of the text down (so a comma and a full
    stop differ by where they sit)."""
    ink = list(ink)
    while ink and not any(ink[0]):
        ink.pop(0)
    ink = ink[:GLYPH_HEIGHT]
    if not ink:
        return []
    used = [any(row[c] for row in ink) for c in range(len(ink[0]))]
    found, c = [], 0
    while c < len(used):
        if not used[c]:
            c += 1
            continue
        start = c
        while c < len(used) and used[c]:
            c += 1
        found.append(tuple("".join("#" if row[k] else "." for k in range(start, c))
                           for row in ink))
    return found


class Reader:
    """Reads texts written in one font, once it has learnt the font's characters."""

    def __init__(self):
        self.known = {}

    def learn(self, ink, text):
        """Learns the characters of a known text (blanks left out) from its pixels."""
        shapes = glyphs(ink)
        letters = text.replace(" ", "")
        check(len(shapes) == len(letters),
              f"the picture of {text!r} has {len(shapes)} characters, not {len(letters)}:\n"
              + "\n\n".join("\n".join(s) for s in shapes))
        for shape, letter in zip(shapes, letters):
            if self.known.get(shape, letter) != letter:
                raise Failure(f"one pattern reads both {self.known[shape]!r} and {letter!r}")
            self.known[shape] = letter

    def read(self, ink):
        """The text in the pixels; a character not learnt reads as "?"."""
        return "".join(self.known.get(shape, "?") for shape in glyphs(ink))
