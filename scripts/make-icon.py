#!/usr/bin/env python3
"""Draws the program icon, res/hxMonitor.ico: one 32x32 image in the classic
16-colour palette with a transparency mask, a camera seen from the front.

Run once when the picture changes and commit the result:
    python3 scripts/make-icon.py res/hxMonitor.ico
"""
import struct
import sys

SIZE = 32

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0x80, 0x80, 0x80),
    (0xC0, 0xC0, 0xC0), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, GREY, SILVER, RED, YELLOW, NAVY, BLUE, AQUA, WHITE = 0, 7, 8, 9, 11, 4, 12, 14, 15
CLEAR = None


class Canvas:
    def __init__(self):
        self.pixels = [[CLEAR] * SIZE for _ in range(SIZE)]

    def box(self, left, top, right, bottom, fill, outline=BLACK, rounded=False):
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                corner = rounded and x in (left, right) and y in (top, bottom)
                if corner:
                    continue
                edge = x in (left, right) or y in (top, bottom)
                self.pixels[y][x] = outline if edge else fill

    def disc(self, cx, cy, radius, colour):
        for y in range(SIZE):
            for x in range(SIZE):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius ** 2:
                    self.pixels[y][x] = colour


def draw_camera():
    c = Canvas()
    c.box(4, 6, 9, 9, RED)                    # shutter button
    c.box(11, 4, 21, 9, GREY)                 # viewfinder housing
    c.box(1, 8, 30, 27, SILVER, rounded=True) # body
    c.box(2, 24, 29, 26, GREY)                # grip band
    c.box(23, 11, 28, 14, YELLOW)             # flash window
    c.disc(16, 17.5, 8.5, BLACK)              # lens: barrel, ring, glass
    c.disc(16, 17.5, 7.5, GREY)
    c.disc(16, 17.5, 5.5, BLACK)
    c.disc(16, 17.5, 4.5, NAVY)
    c.disc(16, 17.5, 2.5, BLUE)
    c.disc(14, 15.5, 1.5, AQUA)               # reflection
    c.pixels[14][13] = WHITE
    return c.pixels


def ico_bytes(pixels):
    colour_rows, mask_rows = [], []
    for row in reversed(pixels):              # DIB rows run bottom-up
        nibbles = [0 if p is CLEAR else p for p in row]
        colour_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1]
                                 for i in range(0, SIZE, 2)))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is CLEAR else 0)
        mask_rows.append(struct.pack(">I", bits))
    colours = b"".join(colour_rows)
    mask = b"".join(mask_rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(colours) + len(mask), 0, 0, 0, 0)
    image = header + palette + colours + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(ico_bytes(draw_camera()))


if __name__ == "__main__":
    main()
