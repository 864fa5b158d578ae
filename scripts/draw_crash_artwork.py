#!/usr/bin/env python3
"""Draws the crash reporter's list images into resources/bitmap (our own artwork).

Run from the repository root: python3 scripts/draw_crash_artwork.py
The module kinds (CR_DLL, CR_PKG, CR_FWK, CR_SRC) are 16x16, the expand and collapse boxes (CR_PLUS,
CR_MINUS) 13x13; each is a 24-bit .bmp whose top-left pixel is the background the list leaves out
(fuchsia)."""
import os

from draw_grid_artwork import bmp

FUCHSIA = (255, 0, 255)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (128, 128, 128)
BLUE = (40, 80, 180)
LIGHT_BLUE = (170, 200, 240)
BROWN = (150, 100, 50)
TAN = (220, 180, 120)
GREEN = (40, 140, 60)


def framed(x0, y0, x1, y1, fill, edge):
    """A rectangle (edges included) with a one-pixel edge; None outside."""
    def pixel(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return None
        return edge if x in (x0, x1) or y in (y0, y1) else fill
    return pixel


def layers(*parts):
    """The first part that paints a pixel wins; fuchsia where none does."""
    def pixel(x, y):
        for part in parts:
            p = part(x, y)
            if p is not None:
                return p
        return FUCHSIA
    return pixel


def library():
    """A shared object: a page with a blue band and two slots."""
    band = lambda x, y: BLUE if 3 <= x <= 12 and 3 <= y <= 5 else None
    slots = lambda x, y: GREY if x in (5, 10) and 8 <= y <= 11 else None
    return layers(band, slots, framed(2, 1, 13, 14, WHITE, BLACK))


def package():
    """A package: a box with a lid and a tape."""
    tape = lambda x, y: TAN if 7 <= x <= 8 and 3 <= y <= 13 else None
    lid = lambda x, y: BROWN if 2 <= x <= 13 and y == 5 else None
    return layers(tape, lid, framed(1, 3, 14, 13, (200, 140, 80), BROWN))


def program():
    """A program: a window with a title bar."""
    title = lambda x, y: BLUE if 2 <= x <= 13 and 3 <= y <= 4 else None
    return layers(title, framed(1, 2, 14, 13, LIGHT_BLUE, BLACK))


def source():
    """A source file: a page with lines of text."""
    lines = lambda x, y: (GREEN if y == 4 else BLACK) if 4 <= x <= 4 + (y * 5) % 8 and y in (4, 6, 8, 10, 12) else None
    return layers(lines, framed(2, 1, 13, 14, WHITE, GREY))


def box(plus):
    """An expand (plus) or collapse (minus) box, 11x11 inside a one-pixel margin."""
    def sign(x, y):
        if y == 6 and 3 <= x <= 9:
            return BLACK
        if plus and x == 6 and 3 <= y <= 9:
            return BLACK
        return None
    return layers(sign, framed(1, 1, 11, 11, WHITE, GREY))


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources', 'bitmap')
    os.makedirs(root, exist_ok=True)
    bitmaps = {
        'CR_DLL': (16, 16, library()),
        'CR_PKG': (16, 16, package()),
        'CR_FWK': (16, 16, program()),
        'CR_SRC': (16, 16, source()),
        'CR_PLUS': (13, 13, box(True)),
        'CR_MINUS': (13, 13, box(False)),
    }
    for name, (w, h, pixel) in bitmaps.items():
        with open(os.path.join(root, name + '.bmp'), 'wb') as f:
            f.write(bmp(w, h, pixel))


if __name__ == '__main__':
    main()
