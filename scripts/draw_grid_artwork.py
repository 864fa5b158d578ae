#!/usr/bin/env python3
"""Draws the data grid's cursors and small bitmaps into resources/ (our own artwork).

Run from the repository root: python3 scripts/draw_grid_artwork.py
Cursors are 32x32 monochrome .cur files; bitmaps are 24-bit .bmp files whose background is the
mask colour the grid's image lists take out (white, teal 0x808000 or fuchsia)."""
import os
import struct

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
TEAL = (0, 128, 128)      # RGB of the grid's teal mask colour
FUCHSIA = (255, 0, 255)
SHADOW = (128, 128, 128)
LIGHT = (255, 255, 255)


def bmp(width, height, pixel):
    """A bottom-up 24-bit BMP of pixel(x, y) -> (r, g, b), y counted from the top."""
    stride = (width * 3 + 3) & ~3
    rows = b''
    for y in reversed(range(height)):
        row = b''.join(bytes((b, g, r)) for r, g, b in (pixel(x, y) for x in range(width)))
        rows += row + b'\0' * (stride - len(row))
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    return b'BM' + struct.pack('<IHHI', 14 + len(header) + len(rows), 0, 0, 14 + len(header)) + header + rows


def cur(shape, hot):
    """A 32x32 monochrome cursor; shape(x, y) is 'b' (black), 'w' (white) or None (transparent)."""
    size = 32
    def plane(bit):
        out = b''
        for y in reversed(range(size)):
            bits = 0
            for x in range(size):
                if bit(shape(x, y)):
                    bits |= 1 << (31 - x)
            out += struct.pack('>I', bits)
        return out
    xor = plane(lambda p: p == 'w')
    and_ = plane(lambda p: p is None)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 1, 0, len(xor) + len(and_), 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    dib = header + palette + xor + and_
    return struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', size, size, 0, 0, hot[0], hot[1], len(dib), 22) + dib


def outlined(inside):
    """Black body with a one-pixel white rim around it."""
    def shape(x, y):
        if inside(x, y):
            return 'b'
        if any(inside(x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
            return 'w'
        return None
    return shape


def down_arrow(x, y):
    # A short stem over a wide head, pointing down to (15, 27).
    if 13 <= x <= 17 and 6 <= y <= 17:
        return True
    return 18 <= y <= 27 and abs(x - 15) <= 27 - y


def right_arrow(x, y):
    return down_arrow(y, x)


def left_arrow(x, y):
    return right_arrow(30 - x, y)


def indicator(mark, background):
    def pixel(x, y):
        return BLACK if mark(x, y) else background
    return pixel


def arrow(x, y):      # the current-record triangle, pointing right
    return 2 <= x <= 6 and abs(y - 4) <= 6 - x and 0 <= y <= 8


def edit(x, y):       # an I-beam
    return (x == 4 and 1 <= y <= 8) or (y in (1, 8) and 2 <= x <= 6)


def insert(x, y):     # an asterisk
    return (x == 4 and 1 <= y <= 7) or (y == 4 and 1 <= x <= 7) or (abs(x - 4) == abs(y - 4) and abs(x - 4) <= 2)


def dot(x, y):
    return 3 <= x <= 5 and 3 <= y <= 5


def arrow_and_dot(x, y):
    return (1 <= x <= 4 and abs(y - 4) <= 4 - x) or (6 <= x <= 8 and 3 <= y <= 5)


def sort_marker(down):
    # A raised triangle on fuchsia: light on its left edge, shadow on its right, 12 x 9.
    def pixel(x, y):
        row = y if down else 8 - y
        half = 5 - row * 5 // 8
        if abs(x - 5.5) <= half + 0.5 and 1 <= y <= 7:
            return SHADOW if x >= 6 else LIGHT
        return FUCHSIA
    return pixel


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources')
    os.makedirs(os.path.join(root, 'cursor'), exist_ok=True)
    os.makedirs(os.path.join(root, 'bitmap'), exist_ok=True)
    cursors = {
        'DOWNCURX': (outlined(down_arrow), (15, 27)),
        'RIGHTCURX': (outlined(right_arrow), (27, 15)),
        'LEFTCURX': (outlined(left_arrow), (3, 15)),
    }
    for name, (shape, hot) in cursors.items():
        with open(os.path.join(root, 'cursor', name + '.cur'), 'wb') as f:
            f.write(cur(shape, hot))
    bitmaps = {
        'DBGARROWX': (10, 10, indicator(arrow, WHITE)),
        'DBEDITX': (10, 10, indicator(edit, WHITE)),
        'DBINSERTX': (10, 10, indicator(insert, WHITE)),
        'DBMULTIDOTX': (10, 10, indicator(dot, WHITE)),
        'DBMULTIARROWX': (10, 10, indicator(arrow_and_dot, WHITE)),
        'DBGARROWXW': (10, 10, indicator(arrow, TEAL)),
        'DBSMDOWNX': (12, 9, sort_marker(True)),
        'DBSMUPX': (12, 9, sort_marker(False)),
    }
    for name, (w, h, pixel) in bitmaps.items():
        with open(os.path.join(root, 'bitmap', name + '.bmp'), 'wb') as f:
            f.write(bmp(w, h, pixel))


if __name__ == '__main__':
    main()
