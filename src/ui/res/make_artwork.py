#!/usr/bin/env python3
"""Draws the program's bitmaps: the four 10 x 10 tab lamps, the program icon
and its notification-area variant while mail waits.

Usage: make_artwork.py OUTPUT_DIR
Writes BLUE.bmp, GREEN.bmp, RED.bmp, YELLOW.bmp (16-colour, light grey background) and
Prunebox.ico and MailWaits.ico (32 x 32 and 16 x 16, 32-bit with alpha). Plain Python: no imaging library.
"""
import os
import struct
import sys

# The standard 16-colour palette, as (R, G, B); index 7 is the light grey C0 C0 C0.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
GREY, GREY_DARK, WHITE = 7, 8, 15

# Lamp: rim colour, lit colour (palette indices).
LAMPS = {
    "BLUE": (4, 12),
    "GREEN": (2, 10),
    "RED": (1, 9),
    "YELLOW": (3, 11),
}

# A round lamp in a 10 x 10 cell: '.' background, 's' shadow, 'r' rim, 'b' body, 'h' highlight.
LAMP_SHAPE = [
    "..........",
    "...rrrr...",
    "..rbbbbr..",
    ".rbhhbbbr.",
    ".rbhbbbbrs",
    ".rbbbbbbrs",
    ".rbbbbbbrs",
    "..rbbbbrs.",
    "...rrrrs..",
    "....sss...",
]


def lamp_pixels(rim, body):
    colours = {".": GREY, "s": GREY_DARK, "r": rim, "b": body, "h": WHITE}
    return [[colours[c] for c in row] for row in LAMP_SHAPE]


def write_bmp4(path, pixels):
    """16-colour bottom-up BMP from rows of palette indices."""
    height, width = len(pixels), len(pixels[0])
    row_bytes = ((width * 4 + 31) // 32) * 4
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for x in range(0, width, 2):
            hi = row[x]
            lo = row[x + 1] if x + 1 < width else 0
            line.append((hi << 4) | lo)
        line.extend(b"\0" * (row_bytes - len(line)))
        data.extend(line)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(data), 2835, 2835, 16, 16)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + palette + data)


def icon_pixels(size, badge=False):
    """RGBA rows: a white envelope with a red pruning cut across its lower right corner; with
    `badge`, a green disc in the upper right corner (mail waits)."""
    s = size / 32.0
    out = []
    for y in range(size):
        row = []
        for x in range(size):
            fx, fy = (x + 0.5) / s, (y + 0.5) / s
            px = (0, 0, 0, 0)
            inside = 3 <= fx <= 29 and 7 <= fy <= 25
            if inside:
                edge = fx < 4.2 or fx > 27.8 or fy < 8.2 or fy > 23.8
                # The flap: two lines from the top corners to the centre.
                flap = abs((fy - 7) - (fx - 3) * 0.55) < 0.9 or abs((fy - 7) - (29 - fx) * 0.55) < 0.9
                px = (0x20, 0x30, 0x70, 255) if edge or flap else (0xF8, 0xF8, 0xF0, 255)
            # The cut: a thick red stroke from the lower left to the upper right of the corner.
            if abs((fx - 17) + (fy - 31)) < 2.2 and 17 <= fx <= 31 and 17 <= fy <= 31:
                px = (0xD0, 0x10, 0x10, 255)
            if badge and (fx - 25) ** 2 + (fy - 7) ** 2 < 36:
                ring = (fx - 25) ** 2 + (fy - 7) ** 2 > 25
                px = (0x10, 0x50, 0x10, 255) if ring else (0x30, 0xC0, 0x30, 255)
            row.append(px)
        out.append(row)
    return out


def icon_image(size, badge=False):
    """One icon image: BITMAPINFOHEADER (double height), BGRA rows bottom-up, AND mask."""
    pixels = icon_pixels(size, badge)
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask


def write_ico(path, sizes, badge=False):
    images = [icon_image(n, badge) for n in sizes]
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for n, img in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(path, "wb") as f:
        f.write(head + entries + b"".join(images))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    for name, (rim, body) in LAMPS.items():
        write_bmp4(os.path.join(out, name + ".bmp"), lamp_pixels(rim, body))
    write_ico(os.path.join(out, "Prunebox.ico"), [32, 16])
    write_ico(os.path.join(out, "MailWaits.ico"), [32, 16], badge=True)


if __name__ == "__main__":
    main()
