#!/usr/bin/env python3
"""Draws the window's artwork: the application icon (ui/art/quillmend.ico) and the banner
across the top of the main window (ui/art/banner.bmp). Plain Python, no imaging library.
Run it again after changing the drawing; the outputs are committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ART = os.path.join(HERE, "..", "ui", "art")

# 5x7 glyphs for the few letters the banner uses.
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    " ": ["00000"] * 7,
    "-": ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
}


def blend(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


class Canvas:
    def __init__(self, w, h, colour):
        self.w, self.h = w, h
        self.px = [[colour] * w for _ in range(h)]
        self.alpha = [[255] * w for _ in range(h)]

    def put(self, x, y, colour, alpha=255):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = colour
            self.alpha[y][x] = alpha

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i / steps
            y = y0 + (y1 - y0) * i / steps
            for dy in range(width):
                for dx in range(width):
                    self.put(int(round(x)) + dx, int(round(y)) + dy, colour)

    def text(self, x, y, s, scale, colour):
        for ch in s:
            glyph = GLYPHS[ch]
            for gy, row in enumerate(glyph):
                for gx, bit in enumerate(row):
                    if bit == "1":
                        self.rect(x + gx * scale, y + gy * scale,
                                  x + (gx + 1) * scale, y + (gy + 1) * scale, colour)
            x += 6 * scale
        return x


def envelope(c, x, y, w, h, paper, ink, quill):
    c.rect(x, y, x + w, y + h, paper)
    c.line(x, y, x + w - 1, y, ink)
    c.line(x, y + h - 1, x + w - 1, y + h - 1, ink)
    c.line(x, y, x, y + h - 1, ink)
    c.line(x + w - 1, y, x + w - 1, y + h - 1, ink)
    c.line(x, y, x + w // 2, y + h // 2, ink)
    c.line(x + w - 1, y, x + w // 2, y + h // 2, ink)
    # The quill across the envelope's corner.
    c.line(x + w - w // 3, y + h - 2, x + w + w // 6, y - h // 3, quill, max(1, w // 12))


def write_bmp8(path, c):
    palette, index = [], {}
    rows = []
    for y in range(c.h - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(c.w):
            col = c.px[y][x]
            if col not in index:
                index[col] = len(palette)
                palette.append(col)
            row.append(index[col])
        while len(row) % 4:
            row.append(0)
        rows.append(bytes(row))
    assert len(palette) <= 256, len(palette)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    pal += b"\0" * (4 * (256 - len(palette)))
    pixels = b"".join(rows)
    offset = 14 + 40 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    with open(path, "wb") as f:
        f.write(header + info + pal + pixels)


def icon_image(size):
    c = Canvas(size, size, (0, 0, 0))
    for y in range(size):
        for x in range(size):
            c.alpha[y][x] = 0
    teal, dark = (22, 110, 130), (10, 60, 75)
    # A rounded tile behind the envelope.
    r = size // 6
    for y in range(size):
        for x in range(size):
            dx = max(r - x, 0, x - (size - 1 - r))
            dy = max(r - y, 0, y - (size - 1 - r))
            if dx * dx + dy * dy <= r * r:
                c.put(x, y, blend(teal, dark, y / size))
    m = size // 6
    envelope(c, m, size // 3, size - 2 * m, size // 2 - 1, (250, 250, 245), dark, (235, 180, 40))
    return c


def write_ico(path, images):
    blobs = []
    for c in images:
        xor = bytearray()
        for y in range(c.h - 1, -1, -1):
            for x in range(c.w):
                r, g, b = c.px[y][x]
                xor += bytes((b, g, r, c.alpha[y][x]))
        mask_row = ((c.w + 31) // 32) * 4
        andmask = bytearray()
        for y in range(c.h - 1, -1, -1):
            bits = bytearray(mask_row)
            for x in range(c.w):
                if c.alpha[y][x] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            andmask += bits
        info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
        blobs.append(info + bytes(xor) + bytes(andmask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


def banner():
    w, h = 656, 68
    left, right = (12, 70, 90), (40, 150, 170)
    c = Canvas(w, h, left)
    for x in range(w):
        col = blend(left, right, (x // 8) * 8 / w)
        for y in range(h):
            c.px[y][x] = col
    c.rect(0, h - 3, w, h, (235, 180, 40))
    envelope(c, 18, 16, 48, 32, (250, 250, 245), (10, 60, 75), (235, 180, 40))
    c.text(92, 12, "QUILLMEND", 4, (255, 255, 255))
    c.text(94, 47, "MAIL RECOVERY AND CONVERSION", 1, (215, 235, 240))
    return c


if __name__ == "__main__":
    os.makedirs(ART, exist_ok=True)
    write_bmp8(os.path.join(ART, "banner.bmp"), banner())
    write_ico(os.path.join(ART, "quillmend.ico"), [icon_image(32), icon_image(16)])
    print("wrote", ART)
