#!/usr/bin/env python3
"""Draws the application icon (a flash chip with a down arrow) into res/Tessaline.ico."""
import struct, sys

def pixel(size, x, y):
    s = size / 32.0
    # chip body
    if 6 * s <= x < 26 * s and 6 * s <= y < 26 * s:
        # down arrow in the middle
        cx = 16 * s
        if abs(x + 0.5 - cx) < 2.2 * s and 9 * s <= y < 17 * s:
            return (255, 200, 40, 255)
        if 16 * s <= y < 23 * s and abs(x + 0.5 - cx) < (23 * s - y) * 1.0:
            return (255, 200, 40, 255)
        return (40, 70, 150, 255)
    # pins on the left and right
    if (3 * s <= x < 6 * s or 26 * s <= x < 29 * s) and 6 * s <= y < 26 * s and int(y / s) % 4 in (1, 2):
        return (190, 190, 200, 255)
    return (0, 0, 0, 0)

def image(size):
    rows = []
    for y in range(size - 1, -1, -1):          # bottom-up
        row = b''
        for x in range(size):
            r, g, b, a = pixel(size, x, y)
            row += bytes((b, g, r, a))
        rows.append(row)
    xor = b''.join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = b''
    for y in range(size - 1, -1, -1):
        bits = 0
        row = bytearray(mask_row)
        for x in range(size):
            if pixel(size, x, y)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask

sizes = [32, 16]
images = [image(s) for s in sizes]
out = struct.pack('<HHH', 0, 1, len(sizes))
offset = 6 + 16 * len(sizes)
for s, data in zip(sizes, images):
    out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
out += b''.join(images)
open(sys.argv[1] if len(sys.argv) > 1 else 'res/Tessaline.ico', 'wb').write(out)
