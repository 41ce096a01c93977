#!/usr/bin/env python3
# Draws the wizard's bitmaps (our own artwork) and writes them as PNG files next to this script:
#   bitmap5003.png  seven 16x16 images, one per address level 市 区 镇 路 街 号 and the cell
#   bitmap5005.png  8x5, a black double chevron on light grey, for the candidate-menu buttons
#   bitmap5007.png  six 16x16 images: the cell (root) and the inner levels 1 to 5
# White (255,255,255) is the transparent colour of the 16x16 strips. Standard library only.
import os
import struct
import zlib

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
GREY = (192, 192, 192)
DARK = (64, 64, 64)


class Canvas:
    def __init__(self, width, height, background=WHITE):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def fill(self, x0, y0, x1, y1, colour):  # inclusive corners
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def box(self, x0, y0, x1, y1, inside, outline=DARK):
        self.fill(x0, y0, x1, y1, inside)
        self.frame(x0, y0, x1, y1, outline)

    def art(self, x0, y0, rows, palette):  # rows of characters; '.' leaves the pixel alone
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch != '.':
                    self.put(x0 + dx, y0 + dy, palette[ch])

    def paste(self, other, x0):
        for y in range(other.height):
            for x in range(other.width):
                self.put(x0 + x, y, other.pixels[y][x])

    def png(self):
        raw = b''.join(b'\0' + bytes(c for px in row for c in px) for row in self.pixels)

        def chunk(kind, data):
            return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
        header = struct.pack('>IIBBBBB', self.width, self.height, 8, 2, 0, 0, 0)
        return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')


def strip(images):
    canvas = Canvas(16 * len(images), 16)
    for i, image in enumerate(images):
        canvas.paste(image, 16 * i)
    return canvas


def city():  # a skyline
    c = Canvas(16, 16)
    blue, window = (40, 90, 180), (250, 230, 120)
    c.box(1, 6, 5, 15, blue)
    c.box(5, 2, 10, 15, blue)
    c.box(10, 8, 14, 15, blue)
    for y in (4, 7, 10):
        c.put(7, y, window)
        c.put(8, y, window)
    for y in (9, 12):
        c.put(3, y, window)
        c.put(12, y, window)
    return c


def district():  # a map square with boundary lines
    c = Canvas(16, 16)
    green, line = (110, 180, 90), (30, 100, 40)
    c.box(1, 2, 14, 13, green, line)
    for x in (5, 10):
        c.fill(x, 3, x, 12, line)
    c.fill(2, 7, 13, 7, line)
    return c


def town():  # a house with a red roof
    c = Canvas(16, 16)
    roof, wall, door = (200, 60, 40), (240, 200, 120), (120, 70, 30)
    for i in range(7):
        c.fill(7 - i, 1 + i, 8 + i, 1 + i, roof)
    c.box(3, 8, 12, 14, wall)
    c.fill(7, 11, 8, 14, door)
    return c


def road():  # a road seen from above, with a dashed middle line
    c = Canvas(16, 16)
    asphalt, mark = (90, 90, 90), (255, 220, 0)
    c.fill(4, 0, 11, 15, asphalt)
    for y in range(0, 16, 4):
        c.fill(7, y, 8, y + 1, mark)
    return c


def street():  # a street sign on a pole
    c = Canvas(16, 16)
    sign, pole = (30, 120, 200), DARK
    c.fill(7, 6, 8, 15, pole)
    c.box(1, 1, 14, 6, sign, (10, 60, 120))
    c.fill(3, 3, 12, 4, (230, 240, 255))
    return c


def number():  # a house-number plate with a hash mark
    c = Canvas(16, 16)
    plate = (30, 110, 60)
    c.box(1, 2, 14, 13, plate, (10, 60, 30))
    c.art(4, 4, [
        '..X..X..',
        '..X..X..',
        'XXXXXXXX',
        '..X..X..',
        'XXXXXXXX',
        '..X..X..',
        '..X..X..',
    ], {'X': (245, 245, 245)})
    return c


def cell():  # a compound: two buildings inside a fence
    c = Canvas(16, 16)
    fence, block, window = (150, 100, 40), (220, 140, 60), (255, 245, 200)
    c.frame(0, 3, 15, 15, fence)
    c.box(2, 6, 6, 14, block)
    c.box(9, 5, 13, 14, block)
    for y in (8, 11):
        c.put(4, y, window)
        c.put(11, y, window)
    return c


def inner_level(k):  # a floor plan block whose k bars count the inner level
    colours = [(230, 90, 90), (240, 170, 60), (90, 170, 90), (70, 150, 220), (160, 100, 210)]
    c = Canvas(16, 16)
    c.box(1, 1, 14, 14, colours[k - 1])
    for i in range(k):
        y = 3 + 2 * i
        c.fill(4, y, 11, y, (250, 250, 250))
    return c


def chevron():
    c = Canvas(8, 5, GREY)
    c.art(0, 0, [
        'X...X...',
        '.X...X..',
        '..X...X.',
        '.X...X..',
        'X...X...',
    ], {'X': BLACK})
    return c


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    bitmaps = {
        'bitmap5003.png': strip([city(), district(), town(), road(), street(), number(), cell()]),
        'bitmap5005.png': chevron(),
        'bitmap5007.png': strip([cell()] + [inner_level(k) for k in range(1, 6)]),
    }
    for name, canvas in bitmaps.items():
        with open(os.path.join(here, name), 'wb') as f:
            f.write(canvas.png())


if __name__ == '__main__':
    main()
