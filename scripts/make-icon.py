#!/usr/bin/env python3
"""Writes setup/Setup.ico: the installer's icon, 32 x 32 in 16 colours.

A cardboard box with a green arrow going into it. Run it again after
changing the picture; the .ico it writes is kept in the repository.
"""
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, OLIVE, GREEN, GREY, LIME, YELLOW, WHITE = 0, 3, 2, 8, 10, 11, 15
SIZE = 32


def picture():
    """Rows of palette indices from the top; None is transparent."""
    p = [[None] * SIZE for _ in range(SIZE)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                p[y][x] = colour

    # The box: its open mouth (dark inside), its front and a strip of tape.
    fill(3, 14, 28, 17, OLIVE)
    fill(5, 15, 26, 16, BLACK)
    fill(3, 18, 28, 30, YELLOW)
    fill(3, 22, 28, 23, OLIVE)
    for x in range(3, 29):
        p[14][x] = p[30][x] = BLACK
        p[18][x] = BLACK
    for y in range(14, 31):
        p[y][3] = p[y][28] = BLACK
    # The lid's flaps, opened outward.
    for i in range(5):
        fill(max(0, 2 - i // 2), 13 - i, 6 - i // 2, 13 - i, OLIVE)
        fill(25 + i // 2, 13 - i, min(31, 29 + i // 2), 13 - i, OLIVE)

    # The arrow, coming down into the box, outlined in black.
    arrow = set()
    for y in range(0, 11):
        for x in range(13, 19):
            arrow.add((x, y))
    for i, y in enumerate(range(11, 20)):
        for x in range(7 + i, 25 - i):
            arrow.add((x, y))
    for x, y in arrow:
        p[y][x] = LIME
    for x, y in arrow:
        edge = any((x + dx, y + dy) not in arrow for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        # Black outline; the left half in the darker green, for some depth.
        p[y][x] = BLACK if edge else GREEN if x < 16 else LIME
    # A white glint on the box front.
    fill(6, 25, 9, 25, WHITE)
    fill(6, 26, 6, 28, WHITE)
    return p


def ico(rows):
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bitmaps run bottom-up
        for x in range(0, SIZE, 2):
            a, b = row[x], row[x + 1]
            xor.append(((a or 0) << 4) | (b or 0))
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        mask += bits.to_bytes(4, 'big')
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', SIZE, SIZE, 16, 0, 1, 4, len(image), 22)
    return directory + image


if __name__ == '__main__':
    out = sys.argv[1] if len(sys.argv) > 1 else 'setup/Setup.ico'
    with open(out, 'wb') as f:
        f.write(ico(picture()))
