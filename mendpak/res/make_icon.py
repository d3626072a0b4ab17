#!/usr/bin/env python3
"""Writes mendpak.ico: the installer's icon, 16 x 16 and 32 x 32, 24-bit.

A teal square with a light diagonal band, a patch laid over a file. Run it again after
changing the drawing; the icon is kept in the tree so that the build needs no Python.
"""
import struct
import sys


def colour(x, y, size):
    edge = max(1, size // 16)
    if x < edge or y < edge or x >= size - edge or y >= size - edge:
        return (0x30, 0x30, 0x30)
    band = abs((x - y)) <= size // 6
    stitch = band and (x + y) % max(2, size // 8) == 0
    if stitch:
        return (0x60, 0x40, 0x20)
    if band:
        return (0xF0, 0xE0, 0xC0)
    return (0x20, 0x90, 0x90)


def image(size):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    row_pad = (4 - (size * 3) % 4) % 4
    pixels = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up rows
        for x in range(size):
            r, g, b = colour(x, y, size)
            pixels += bytes((b, g, r))
        pixels += bytes(row_pad)
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)  # every pixel opaque
    return header + bytes(pixels) + mask


def main(path):
    sizes = (16, 32)
    images = [image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 24, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'mendpak.ico')
