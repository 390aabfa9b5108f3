#!/usr/bin/env python3
"""Draws the camera icons, a camera seen from the front, from one picture:

  res/hxMonitor.ico               the monitor's own: one 32x32 image in the
                                  classic 16-colour palette with a
                                  transparency mask
  settings/hxMonitorSettings.ico  the settings window's, its Start-menu
                                  shortcut's and the installer's: the same
                                  picture at every size Windows asks for from
                                  96 to 192 DPI (and Explorer's 256), 32-bit
                                  with alpha, the 256 image stored as PNG

Run once when the picture changes and commit the results:
    python3 scripts/make-icon.py res/hxMonitor.ico
    python3 scripts/make-icon.py --sizes settings/hxMonitorSettings.ico
"""
import math
import struct
import sys
import zlib

SIZE = 32
SIZES = (16, 20, 24, 32, 40, 48, 64, 256)

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0x80, 0x80, 0x80),
    (0xC0, 0xC0, 0xC0), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, GREY, SILVER, RED, YELLOW, NAVY, BLUE, AQUA, WHITE = 0, 7, 8, 9, 11, 4, 12, 14, 15
CLEAR = None

# The picture, on the 32-pixel grid. A box spans whole cells, left to right
# and top to bottom inclusive, with a black outline; a ring is a black disc
# with a disc of the colour one cell smaller inside; the glint is one cell.
PICTURE = [
    ("box", (4, 6, 9, 9), RED),                  # shutter button
    ("box", (11, 4, 21, 9), GREY),               # viewfinder housing
    ("rounded", (1, 8, 30, 27), SILVER),         # body
    ("box", (2, 24, 29, 26), GREY),              # grip band
    ("box", (23, 11, 28, 14), YELLOW),           # flash window
    ("ring", (16, 17.5, 8.5), GREY),             # lens: barrel and ring
    ("ring", (16, 17.5, 5.5), NAVY),             # glass in its mount
    ("disc", (16, 17.5, 2.5), BLUE),
    ("disc", (14, 15.5, 1.5), AQUA),             # reflection
    ("glint", (13, 14), WHITE),
]


# ------------------------------------------------------------ the classic one

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
    for kind, at, colour in PICTURE:
        if kind in ("box", "rounded"):
            c.box(*at, colour, rounded=kind == "rounded")
        elif kind == "ring":
            c.disc(*at, BLACK)
            c.disc(at[0], at[1], at[2] - 1, colour)
        elif kind == "disc":
            c.disc(*at, colour)
        else:
            c.pixels[at[1]][at[0]] = colour
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


# ------------------------------------------------- every size, 32-bit colour
# Each shape is drawn from its signed distance (pixels, negative inside):
# a pixel is covered by 0.5 - distance, so edges on the pixel grid stay
# crisp and curves are smoothed. Boxes snap to whole pixels at every size;
# outlines keep a pixel's weight at small sizes and thicken slowly above.

def rect_distance(px, py, left, top, right, bottom, radius=0.0):
    qx = abs(px - (left + right) / 2) - ((right - left) / 2 - radius)
    qy = abs(py - (top + bottom) / 2) - ((bottom - top) / 2 - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def shaded(colour, top, bottom, y):
    """The palette colour lit from above: lighter at the top of its shape,
    darker at the bottom, as the 16-colour image cannot be."""
    t = 0.0 if bottom <= top else min(max((y - top) / (bottom - top), 0.0), 1.0)
    factor = 1.18 - 0.36 * t
    return tuple(min(255.0, c * factor + (24 if c == 0 and colour != PALETTE[BLACK] else 0))
                 for c in colour)


class Image:
    def __init__(self, size):
        self.size = size
        self.scale = size / SIZE
        self.line = max(1, round(size / 40))
        self.pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def snap(self, v):
        return math.floor(v * self.scale + 0.5)

    def fill(self, bounds, distance, colour, flat=False):
        left, top, right, bottom = (max(0, min(self.size, int(b))) for b in bounds)
        rgb = PALETTE[colour]
        for y in range(top, bottom):
            row = self.pixels[y]
            for x in range(left, right):
                cover = min(max(0.5 - distance(x + 0.5, y + 0.5), 0.0), 1.0)
                if cover == 0.0:
                    continue
                r, g, b = rgb if flat else shaded(rgb, bounds[1], bounds[3], y + 0.5)
                pr, pg, pb, pa = row[x]
                keep = 1.0 - cover
                row[x] = (r * cover + pr * keep, g * cover + pg * keep,
                          b * cover + pb * keep, cover + pa * keep)

    def box(self, cells, colour, rounded):
        # Tops round up the image, so that what stands on the body (the
        # shutter button) keeps a row of its colour at every size.
        left, top = self.snap(cells[0]), math.floor(cells[1] * self.scale)
        right, bottom = self.snap(cells[2] + 1), self.snap(cells[3] + 1)
        radius = 1.5 * self.scale if rounded else 0.0
        inner = (left + self.line, top + self.line, right - self.line, bottom - self.line)
        # Too small for an outline with colour inside: the colour alone.
        if inner[2] <= inner[0] or inner[3] <= inner[1]:
            inner = (left, top, right, bottom)
        self.fill((left, top, right, bottom),
                  lambda x, y: rect_distance(x, y, left, top, right, bottom, radius),
                  BLACK, flat=True)
        self.fill(inner, lambda x, y: rect_distance(x, y, *inner, max(0.0, radius - self.line)),
                  colour)

    def disc(self, cx, cy, radius, colour, flat=False):
        reach = radius + 1
        self.fill((cx - reach, cy - reach, cx + reach + 1, cy + reach + 1),
                  lambda x, y: math.hypot(x - cx, y - cy) - radius, colour, flat)

    def draw(self, kind, at, colour):
        s = self.scale
        if kind in ("box", "rounded"):
            self.box(at, colour, kind == "rounded")
        elif kind == "ring":
            self.disc(at[0] * s, at[1] * s, at[2] * s, BLACK, flat=True)
            self.disc(at[0] * s, at[1] * s, at[2] * s - self.line, colour)
        elif kind == "disc":
            self.disc(at[0] * s, at[1] * s, at[2] * s, colour)
        else:
            self.disc((at[0] + 0.5) * s, (at[1] + 0.5) * s, max(0.5, 0.6 * s), colour, flat=True)

    def rgba_rows(self):
        """Top-down rows of (red, green, blue, alpha) bytes, not premultiplied."""
        rows = []
        for row in self.pixels:
            out = bytearray()
            for r, g, b, a in row:
                if a <= 0.0:
                    out += b"\0\0\0\0"
                else:
                    out += bytes(min(255, round(c / a)) for c in (r, g, b))
                    out.append(min(255, round(a * 255)))
            rows.append(bytes(out))
        return rows


def draw_camera_at(size):
    image = Image(size)
    for kind, at, colour in PICTURE:
        image.draw(kind, at, colour)
    return image.rgba_rows()


def bmp_image(size, rows):
    """A 32-bit DIB as icons hold it: colour rows bottom-up, then the mask
    of fully transparent pixels for systems that read no alpha."""
    colours = b"".join(bytes(row[i + k] for i in range(0, len(row), 4) for k in (2, 1, 0, 3))
                       for row in reversed(rows))
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x in range(size):
            if row[4 * x + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(colours) + len(mask), 0, 0, 0, 0)
    return header + colours + bytes(mask)


def png_image(size, rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def sized_ico_bytes():
    images = []
    for size in SIZES:
        rows = draw_camera_at(size)
        images.append(png_image(size, rows) if size >= 256 else bmp_image(size, rows))
    offset = 6 + 16 * len(SIZES)
    directory = struct.pack("<HHH", 0, 1, len(SIZES))
    for size, image in zip(SIZES, images):
        side = size if size < 256 else 0          # 0 stands for 256
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(images)


def main():
    args = sys.argv[1:]
    sized = args[:1] == ["--sizes"]
    if sized:
        args = args[1:]
    if len(args) != 1:
        sys.exit("usage: make-icon.py [--sizes] OUTPUT.ico")
    with open(args[0], "wb") as out:
        out.write(sized_ico_bytes() if sized else ico_bytes(draw_camera()))


if __name__ == "__main__":
    main()
