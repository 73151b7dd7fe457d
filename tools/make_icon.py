#!/usr/bin/env python3
"""Writes the launcher's icon: 32x32 and 16x16 images, 32-bit colour (BGRA)."""
import struct
import sys


def image(size):
    pixels = bytearray()
    # Rows bottom-up, as a device-independent bitmap stores them.
    for y in reversed(range(size)):
        for x in range(size):
            edge = x == 0 or y == 0 or x == size - 1 or y == size - 1
            bar = y < size // 4 + 1 and y > size // 8
            stem = abs(x - size // 2) <= max(1, size // 10) and y > size // 8
            if edge:
                pixels += bytes((0x40, 0x30, 0x10, 0xFF))
            elif bar and size // 6 <= x < size - size // 6 or stem and y < size - size // 8:
                pixels += bytes((0xFF, 0xFF, 0xFF, 0xFF))
            else:
                pixels += bytes((0xB0, 0x70, 0x20, 0xFF))
    mask_row = ((size + 31) // 32) * 4
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0,
                         len(pixels) + mask_row * size, 0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask_row * size)


def main(path):
    sizes = (32, 16)
    images = [image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1])
