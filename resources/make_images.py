#!/usr/bin/env python3
"""Draws the program's small pictures (background tile and icons) as PNG files.
Run once after changing it; the PNG files are committed."""
import math, random, struct, zlib, os

def png(path, w, h, pixel):
    rows = b''.join(b'\x00' + b''.join(struct.pack('BBBB', *pixel(x, y)) for x in range(w))
                    for y in range(h))
    def chunk(kind, data):
        c = kind + data
        return struct.pack('>I', len(data)) + c + struct.pack('>I', zlib.crc32(c) & 0xffffffff)
    data = (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))
    with open(path, 'wb') as f:
        f.write(data)

here = os.path.dirname(os.path.abspath(__file__))
rnd = random.Random(29)
noise = [[rnd.random() for _ in range(64)] for _ in range(64)]

def tile(x, y):
    # A quiet, seamless paper-like texture in cool grey-blue.
    v = (math.sin(2 * math.pi * x / 64) + math.sin(2 * math.pi * (x + y) / 32)) * 4
    n = noise[y][x] * 10
    base = 206 + v + n
    return (int(base - 14), int(base - 6), int(min(255, base + 10)), 255)

png(os.path.join(here, 'images', 'tile.png'), 64, 64, tile)
# The program icon (images/quillon.png) is the 64 px rendering of data/icons/quillon.svg.
