#!/usr/bin/env python3
"""Draws the tool bar's ten 20 x 20 images side by side into one strip.

Usage: make_toolbar_images.py OUTPUT.bmp
Order (the image index of each tool button): 0 connect, 1 delete + disconnect, 2 disconnect,
3 account settings, 4 extended view, 5 help, 6 exit, 7 connect all, 8 disconnect all,
9 mail program. 24-bit BMP; magenta (FF 00 FF) is the transparent colour.
Plain Python: no imaging library.
"""
import struct
import sys

SIZE = 20
CLEAR = (255, 0, 255)
BLACK, GREY, DARK = (0, 0, 0), (192, 192, 192), (96, 96, 96)
WHITE, RED, GREEN = (255, 255, 255), (208, 0, 0), (0, 150, 0)
BLUE, YELLOW, BROWN = (0, 64, 200), (240, 210, 0), (140, 90, 40)


class Image:
    def __init__(self):
        self.px = [[CLEAR] * SIZE for _ in range(SIZE)]

    def dot(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c, fill=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                if edge:
                    self.dot(x, y, c)
                elif fill:
                    self.dot(x, y, fill)

    def line(self, x0, y0, x1, y1, c, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0)) or 1
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            for w in range(width):
                self.dot(x + w, y, c)

    def disc(self, cx, cy, r, c, rim=None):
        for y in range(SIZE):
            for x in range(SIZE):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if d <= r * r:
                    self.dot(x, y, rim if rim and d > (r - 1.2) ** 2 else c)

    def arrow_right(self, x0, y, x1, c):
        self.line(x0, y, x1, y, c)
        self.line(x0, y + 1, x1, y + 1, c)
        for i in range(4):
            self.line(x1 - i, y - 3 + i, x1 - i, y + 4 - i, c)


def plug(img, x, y, c):
    """A plug facing right, its body at x..x+6."""
    img.rect(x, y, x + 6, y + 6, BLACK, c)
    img.line(x + 7, y + 1, x + 9, y + 1, BLACK)
    img.line(x + 7, y + 5, x + 9, y + 5, BLACK)
    img.line(x - 3, y + 3, x - 1, y + 3, BLACK)


def socket(img, x, y):
    img.rect(x, y - 1, x + 5, y + 7, BLACK, GREY)
    img.dot(x + 1, y + 1, BLACK)
    img.dot(x + 1, y + 5, BLACK)


def connect(img=None):
    img = img or Image()
    plug(img, 3, 7, GREEN)
    socket(img, 13, 7)
    return img


def disconnect(img=None):
    img = img or Image()
    plug(img, 2, 7, GREY)
    socket(img, 14, 7)
    img.line(12, 3, 10, 16, RED)
    return img


def delete_disconnect():
    img = disconnect()
    img.line(3, 2, 8, 7, RED, 2)
    img.line(8, 2, 3, 7, RED, 2)
    return img


def account():
    img = Image()
    img.disc(7, 5, 3, YELLOW, BLACK)
    img.rect(2, 10, 12, 17, BLACK, BLUE)
    img.disc(15, 13, 4, GREY, DARK)
    img.disc(15, 13, 1, WHITE)
    return img


def extended():
    img = Image()
    img.rect(1, 2, 18, 17, BLACK, WHITE)
    img.rect(2, 3, 17, 5, BLUE, BLUE)
    img.rect(3, 7, 16, 8, DARK, GREY)
    img.rect(3, 10, 16, 13, DARK, WHITE)
    img.rect(6, 15, 13, 16, DARK, GREY)
    return img


def help_mark():
    img = Image()
    img.disc(9, 9, 8, BLUE, BLACK)
    for x, y in [(7, 5), (8, 4), (9, 4), (10, 4), (11, 5), (11, 6), (10, 7), (9, 8), (9, 9),
                 (9, 10)]:
        img.rect(x, y, x, y, WHITE)
        img.dot(x + 1, y, WHITE)
    img.rect(9, 13, 10, 14, WHITE, WHITE)
    return img


def exit_door():
    img = Image()
    img.rect(3, 2, 12, 17, BLACK, BROWN)
    img.dot(10, 10, YELLOW)
    img.arrow_right(8, 9, 18, RED)
    return img


def connect_all():
    img = Image()
    small_plug = [(1, 2), (1, 11)]
    for x, y in small_plug:
        img.rect(x, y, x + 5, y + 5, BLACK, GREEN)
        img.line(x + 6, y + 1, x + 8, y + 1, BLACK)
        img.line(x + 6, y + 4, x + 8, y + 4, BLACK)
        img.rect(x + 11, y - 1, x + 15, y + 6, BLACK, GREY)
    return img


def disconnect_all():
    img = Image()
    for x, y in [(0, 2), (0, 11)]:
        img.rect(x, y, x + 5, y + 5, BLACK, GREY)
        img.line(x + 6, y + 1, x + 7, y + 1, BLACK)
        img.line(x + 6, y + 4, x + 7, y + 4, BLACK)
        img.rect(x + 13, y - 1, x + 17, y + 6, BLACK, GREY)
    img.line(11, 0, 9, 19, RED)
    return img


def mail():
    img = Image()
    img.rect(1, 4, 18, 15, BLACK, WHITE)
    img.line(1, 4, 9, 10, BLACK)
    img.line(18, 4, 10, 10, BLACK)
    img.rect(14, 1, 17, 3, RED, RED)
    return img


IMAGES = [connect, delete_disconnect, disconnect, account, extended, help_mark, exit_door,
          connect_all, disconnect_all, mail]


def write_bmp24(path, images):
    width, height = SIZE * len(images), SIZE
    row_bytes = (width * 3 + 3) // 4 * 4
    data = bytearray()
    for y in reversed(range(height)):
        line = bytearray()
        for img in images:
            for r, g, b in img.px[y]:
                line += bytes((b, g, r))
        data += line + b"\0" * (row_bytes - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0,
                              14 + len(header))
    with open(path, "wb") as out:
        out.write(file_header + header + data)


if __name__ == "__main__":
    write_bmp24(sys.argv[1], [draw() for draw in IMAGES])
