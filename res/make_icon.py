#!/usr/bin/env python3
"""Draws the program's icon, a note page under a magnifying glass, and writes Vorna.ico:
two 16-colour images, 32x32 and 16x16, in the standard 16-colour palette."""
import struct
import sys

PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, GREY, SILVER, RED, CYAN, WHITE = 0, 4, 8, 7, 9, 14, 15
CLEAR = None


def draw(size):
    """Returns rows of palette indices (CLEAR where the icon is transparent), top row first."""
    s = size / 32.0
    img = [[CLEAR] * size for _ in range(size)]

    def put(x, y, c):
        if 0 <= x < size and 0 <= y < size:
            img[y][x] = c

    # The note page with a folded corner and lines of text.
    left, top, right, bottom = round(3 * s), round(1 * s), round(22 * s), round(27 * s)
    fold = round(5 * s)
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x - (right - fold) > y - top:
                continue
            edge = x in (left, right) or y in (top, bottom) or x - (right - fold) == y - top
            put(x, y, BLACK if edge else WHITE)
    for line in range(4):
        y = round((7 + 4 * line) * s)
        for x in range(left + round(3 * s), right - round(3 * s) + 1):
            put(x, y, RED if line == 0 else GREY)

    # The magnifying glass: a navy ring round a cyan lens, and a black handle.
    cx, cy, r = 19.5 * s, 18.5 * s, 7.5 * s
    ring = max(1.0, 2.0 * s)
    for y in range(size):
        for x in range(size):
            d = ((x + 0.5 - cx - 0.5 * s) ** 2 + (y + 0.5 - cy - 0.5 * s) ** 2) ** 0.5
            if d <= r - ring:
                put(x, y, CYAN if (x + y) % 7 else WHITE)
            elif d <= r:
                put(x, y, NAVY)
    width = max(1, round(2 * s))
    for t in range(round(6 * s) + 1):
        for w in range(-width + 1, width):
            x = round(25 * s) + t
            y = round(24 * s) + t + w
            put(x + w, y - w, BLACK)
            put(x, y, BLACK)
    return img


def dib(size):
    img = draw(size)
    xor_stride = (size * 4 + 31) // 32 * 4
    and_stride = (size + 31) // 32 * 4
    xor, mask = bytearray(), bytearray()
    for row in reversed(img):
        bits = bytearray(xor_stride)
        mbits = bytearray(and_stride)
        for x, c in enumerate(row):
            index = 0 if c is CLEAR else c
            bits[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if c is CLEAR:
                mbits[x // 8] |= 0x80 >> (x % 8)
        xor += bits
        mask += mbits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def main(path):
    images = [(32, dib(32)), (16, dib(16))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'Vorna.ico')
