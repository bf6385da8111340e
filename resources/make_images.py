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

def icon(size, folder=False, none=False):
    c = size / 2
    def px(x, y):
        dx, dy = x + 0.5 - c, y + 0.5 - c
        r = math.hypot(dx, dy)
        if none:
            inside = abs(dx) < size * 0.36 and abs(dy) < size * 0.44
            border = inside and (abs(dx) > size * 0.33 or abs(dy) > size * 0.41)
            if border: return (90, 90, 90, 255)
            return (250, 250, 250, 255) if inside else (0, 0, 0, 0)
        if folder:
            tab = -size * 0.38 < dx < -size * 0.05 and -size * 0.36 < dy < -size * 0.24
            body = abs(dx) < size * 0.42 and -size * 0.26 < dy < size * 0.34
            if tab or body:
                shade = 200 + int(30 * (dy / size))
                return (230, shade, 90, 255)
            return (0, 0, 0, 0)
        # Disc with a quill across it.
        if r > size * 0.46: return (0, 0, 0, 0)
        if r > size * 0.42: return (30, 50, 110, 255)
        quill = abs(dx + dy) < size * 0.07 and dx > -size * 0.3
        if quill: return (250, 250, 240, 255)
        hub = r < size * 0.08
        if hub: return (30, 50, 110, 255)
        g = int(140 + 60 * (-dy / size))
        return (70, g, 210, 255)
    return px

png(os.path.join(here, 'images', 'tile.png'), 64, 64, tile)
# The program icon (images/quillon.png) is the 64 px rendering of data/icons/quillon.svg.
png(os.path.join(here, 'images', 'directory.png'), 32, 32, icon(32, folder=True))
