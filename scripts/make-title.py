#!/usr/bin/env python3
"""Writes data/title1.ans: the title picture shown to callers with ANSI.

The picture is drawn here in plain characters and turned into CP437 bytes with
ANSI colour, so it can be changed without an ANSI editor. Every line is 79
columns wide: a full 80th column makes some terminals wrap twice.
Run from anywhere: python3 scripts/make-title.py
"""

import os

ESC = "\x1b"
WIDTH = 79          # frame included
INNER = WIDTH - 2

# Colours as (bright, ansi colour number).
BLUE = (1, 34)
CYAN = (1, 36)
DARK = (1, 30)
GREY = (0, 37)
WHITE = (1, 37)
YELLOW = (1, 33)
BROWN = (0, 33)
RED = (1, 31)
DARK_RED = (0, 31)
MAGENTA = (1, 35)

LETTERS = {
    "K": ["##  ##", "## ## ", "####  ", "## ## ", "##  ##"],
    "O": ["######", "##  ##", "##  ##", "##  ##", "######"],
    "R": ["##### ", "##  ##", "##### ", "## ## ", "##  ##"],
    "D": ["##### ", "##  ##", "##  ##", "##  ##", "##### "],
    "A": [" #### ", "##  ##", "######", "##  ##", "##  ##"],
    "V": ["##  ##", "##  ##", "##  ##", " #### ", "  ##  "],
    "I": ["######", "  ##  ", "  ##  ", "  ##  ", "######"],
    "N": ["##   ##", "###  ##", "## # ##", "##  ###", "##   ##"],
}
# Flame colours from the top of the letters down.
LETTER_ROW_COLOURS = [YELLOW, YELLOW, RED, RED, DARK_RED]

FULL_BLOCK = "\xdb"
LIGHT_SHADE = "\xb0"
MEDIUM_SHADE = "\xb1"
UPPER_HALF = "\xdf"
LOWER_HALF = "\xdc"
SMALL_SQUARE = "\xfe"


class Canvas:
    """A grid of (character, colour) cells, written out with minimal codes."""

    def __init__(self, rows):
        self.cells = [[(" ", GREY) for _ in range(WIDTH)] for _ in range(rows)]

    def put(self, row, col, char, colour):
        if 0 <= col < WIDTH:
            self.cells[row][col] = (char, colour)

    def text(self, row, col, text, colour):
        for offset, char in enumerate(text):
            self.put(row, col + offset, char, colour)

    def centred(self, row, text, colour):
        self.text(row, 1 + (INNER - len(text)) // 2, text, colour)

    def encode(self):
        out = [ESC + "[0m" + ESC + "[2J" + ESC + "[1;1H"]
        current = None
        for row in self.cells:
            line = "".join(c for c, _ in row).rstrip()
            for char, colour in row[:len(line)]:
                if char != " " and colour != current:
                    out.append("%s[%d;%d;40m" % (ESC, colour[0], colour[1]))
                    current = colour
                out.append(char)
            out.append("\r\n")
        out[-1] = ESC + "[0m\r\n"
        return "".join(out).encode("latin-1")


def draw_frame(canvas, rows):
    canvas.text(0, 0, "\xc9" + "\xcd" * INNER + "\xbb", BLUE)
    for row in range(1, rows - 1):
        canvas.put(row, 0, "\xba", BLUE)
        canvas.put(row, WIDTH - 1, "\xba", BLUE)
    canvas.text(rows - 1, 0, "\xc8" + "\xcd" * INNER + "\xbc", BLUE)


def draw_name(canvas, top):
    glyph_rows = ["", "", "", "", ""]
    for letter in "KORDAVIN":
        for r in range(5):
            glyph_rows[r] += LETTERS[letter][r] + "  "
    glyph_rows = [r.rstrip() for r in glyph_rows]
    width = max(len(r) for r in glyph_rows)
    left = 1 + (INNER - width - 1) // 2
    # Shadow first, one step down and right, so the letters cover it.
    for r, text in enumerate(glyph_rows):
        for c, mark in enumerate(text):
            if mark == "#":
                canvas.put(top + r + 1, left + c + 1, LIGHT_SHADE, DARK)
    for r, text in enumerate(glyph_rows):
        for c, mark in enumerate(text):
            if mark == "#":
                canvas.put(top + r, left + c, FULL_BLOCK, LETTER_ROW_COLOURS[r])


def draw_skyline(canvas, bottom):
    # (width, storeys) of each building along the street, with a gap after each.
    buildings = [(4, 2), (6, 4), (3, 1), (5, 3), (7, 4), (4, 2), (5, 3), (3, 3),
                 (6, 2), (4, 4), (5, 3), (3, 2), (6, 4), (4, 1), (5, 3)]
    col = 2
    for number, (width, storeys) in enumerate(buildings):
        if col + width > WIDTH - 2:
            break
        colour = BLUE if number % 2 else DARK
        for x in range(width):
            canvas.put(bottom - storeys, col + x, LOWER_HALF, colour)
            for level in range(storeys):
                lit = 0 < x < width - 1 and (x + level + number) % 3 == 0
                if lit:
                    canvas.put(bottom - level, col + x, SMALL_SQUARE, YELLOW)
                else:
                    canvas.put(bottom - level, col + x, MEDIUM_SHADE, colour)
        col += width + 1
    canvas.text(bottom + 1, 1, UPPER_HALF * INNER, BROWN)


def main():
    rows = 21
    canvas = Canvas(rows)
    draw_frame(canvas, rows)
    canvas.centred(2, "-=  a door game for bulletin board systems  =-", CYAN)
    draw_name(canvas, 4)
    canvas.centred(11, "P I M P I N '   O N   M A I N   S T R E E T", MAGENTA)
    canvas.centred(12, "99 streets  \xfa  20 women  \xfa  1 restaurant to rule them all", GREY)
    draw_skyline(canvas, 17)
    canvas.centred(19, "Press ENTER to hit the streets", WHITE)
    here = os.path.dirname(os.path.abspath(__file__))
    target = os.path.join(here, "..", "data", "title1.ans")
    with open(target, "wb") as out:
        out.write(canvas.encode())


if __name__ == "__main__":
    main()
