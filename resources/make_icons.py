#!/usr/bin/env python3
"""Draws the pane and window icons as 16x16 pixel art and writes them as PNG
files at 16 and 32 pixels (the larger one doubled). The application icon for
the desktop's larger sizes is drawn again as flat shapes: written as app.svg
and, antialiased, as app_48.png and app_128.png. Run it from this folder
after changing a picture; the PNG and SVG files are kept in the repository."""
import struct
import zlib

COLOURS = {
    '.': (0, 0, 0, 0),
    'K': (40, 32, 16, 255),      # outline
    'Y': (255, 214, 64, 255),    # folder yellow
    'D': (196, 150, 24, 255),    # folder shade
    'W': (255, 255, 240, 255),   # paper / highlight
    'B': (40, 80, 200, 255),     # window title bar
    'G': (150, 150, 150, 255),   # frame / text lines
    'L': (0, 0, 0, 255),         # badge black
    'F': (255, 230, 0, 255),     # badge letters
}

ICONS = {
    'folder_closed': [
        "................",
        "................",
        ".KKKK...........",
        "KYYYYK..........",
        "KYYYYYKKKKKKKK..",
        "KWWWWWWWWWWWWWK.",
        "KWYYYYYYYYYYYYK.",
        "KWYYYYYYYYYYYDK.",
        "KWYYYYYYYYYYYDK.",
        "KWYYYYYYYYYYYDK.",
        "KWYYYYYYYYYYYDK.",
        "KWYYYYYYYYYYYDK.",
        "KWYYYYYYYYYYYDK.",
        "KDDDDDDDDDDDDDK.",
        ".KKKKKKKKKKKKK..",
        "................",
    ],
    'folder_open': [
        "................",
        "................",
        ".KKKK...........",
        "KYYYYK..........",
        "KYYYYYKKKKKKK...",
        "KYDDDDDDDDDDYK..",
        "KYDKKKKKKKKKKKKK",
        "KYKWYYYYYYYYYYYK",
        "KYKWYYYYYYYYYYK.",
        "KKWYYYYYYYYYYYK.",
        "KKWYYYYYYYYYYK..",
        "KWYYYYYYYYYYYK..",
        "KWYYYYYYYYYYDK..",
        "KDDDDDDDDDDDDK..",
        ".KKKKKKKKKKKK...",
        "................",
    ],
    'file': [
        "..KKKKKKKK......",
        "..KWWWWWWKK.....",
        "..KWWWWWWKWK....",
        "..KWWWWWWKKKK...",
        "..KWWWWWWWWWK...",
        "..KWKKKKKKKWK...",
        "..KWKBBBBBKWK...",
        "..KWKWWWWWKWK...",
        "..KWKWWWWWKWK...",
        "..KWKWWWWWKWK...",
        "..KWKKKKKKKWK...",
        "..KWWWWWWWWWK...",
        "..KWGGGGGGGWK...",
        "..KWWWWWWWWWK...",
        "..KKKKKKKKKKK...",
        "................",
    ],
    'archive': [
        "................",
        "GGGGGGGGGGGGGGGG",
        "GLLLLLLLLLLLLLLG",
        "GLFFFFFFFFFFFFLG",
        "GLLLLLLLLLLLLLLG",
        "GLFFFLLFLLLFFLLG",
        "GLFLLLFLFLLFLFLG",
        "GLFFLLFFFLLFFLLG",
        "GLFLLLFLFLLFLFLG",
        "GLFLLLFLFLLFLFLG",
        "GLLLLLLLLLLLLLLG",
        "GLFFFFFFFFFFFFLG",
        "GLLLLLLLLLLLLLLG",
        "GGGGGGGGGGGGGGGG",
        "................",
        "................",
    ],
    'app': [
        ".KKKK...........",
        "KYYYYK..........",
        "KYYYYYKKKKKKKK..",
        "KWWWWWWWWWWWWWK.",
        "KWYYYYYYYYYYYYK.",
        "KLLLLLLLLLLLLLK.",
        "KLFFFLFLLFFLLLK.",
        "KLFLLFLFLFLFLLK.",
        "KLFFLFFFLFFLLLK.",
        "KLFLLFLFLFLFLLK.",
        "KLFLLFLFLFLFLLK.",
        "KLLLLLLLLLLLLLK.",
        "KWYYYYYYYYYYYDK.",
        "KDDDDDDDDDDDDDK.",
        ".KKKKKKKKKKKKK..",
        "................",
    ],
    'document': [
        "..KKKKKKKK......",
        "..KWWWWWWKK.....",
        "..KWWWWWWKWK....",
        "..KWWWWWWKKKK...",
        "..KWWWWWWWWWK...",
        "..KLLLLLLLLLK...",
        "..KLFFLFLFFLK...",
        "..KLFLFLFFLLK...",
        "..KLFFFFFFLLK...",
        "..KLFLFLFLFLK...",
        "..KLLLLLLLLLK...",
        "..KWWWWWWWWWK...",
        "..KWGGGGGGGWK...",
        "..KWWWWWWWWWK...",
        "..KKKKKKKKKKK...",
        "................",
    ],
}


# The application icon as shapes on a 32-unit square, drawn in order: the
# folder's back with its tab, the front with a paper edge and a shaded bottom
# and side, and the black label lettered "FAR" as on the small icons.
def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


APP_SHAPES = [
    ('K', [(1, 3), (11.5, 3), (14.5, 6), (31, 6), (31, 29.5), (1, 29.5)]),
    ('Y', [(2, 4), (11, 4), (14, 7), (30, 7), (30, 10), (2, 10)]),
    ('K', rect(1, 9, 31, 29.5)),
    ('W', rect(2, 10, 30, 11.5)),
    ('Y', rect(2, 11.5, 30, 28.5)),
    ('D', rect(28, 11.5, 30, 28.5)),
    ('D', rect(2, 26.5, 30, 28.5)),
    ('L', rect(3.5, 13, 26.5, 25)),
    # F
    ('F', rect(6, 15, 8, 23)),
    ('F', rect(6, 15, 11.5, 17)),
    ('F', rect(6, 18.5, 10.5, 20.5)),
    # A
    ('F', [(12.5, 23), (14.5, 15), (16.5, 15), (18.5, 23), (16.5, 23), (15.5, 18.5), (14.5, 23)]),
    ('F', rect(13.5, 20, 17.5, 21.5)),
    # R
    ('F', rect(19.5, 15, 21.5, 23)),
    ('F', [(19.5, 15), (23, 15), (24.5, 16.5), (24.5, 18), (23, 19.5), (19.5, 19.5),
           (19.5, 18), (22.5, 18), (22.5, 16.5), (19.5, 16.5)]),
    ('F', [(21.5, 19.5), (23.5, 19.5), (25, 23), (23, 23)]),
]


def inside(x, y, points):
    hit = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def svg(shapes):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 32 32">']
    for colour, points in shapes:
        r, g, b, _ = COLOURS[colour]
        coords = ' '.join(f'{x:g},{y:g}' for x, y in points)
        lines.append(f'  <polygon fill="#{r:02x}{g:02x}{b:02x}" points="{coords}"/>')
    lines.append('</svg>')
    return '\n'.join(lines) + '\n'


def rasterize(shapes, size, samples=4):
    """RGBA rows of the shapes at size x size, samples x samples per pixel."""
    unit = 32 / size
    boxes = [(min(p[0] for p in pts), max(p[0] for p in pts),
              min(p[1] for p in pts), max(p[1] for p in pts)) for _, pts in shapes]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                y = (py + (sy + 0.5) / samples) * unit
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * unit
                    colour = None
                    for (name, pts), (x0, x1, y0, y1) in zip(shapes, boxes):
                        if x0 <= x <= x1 and y0 <= y <= y1 and inside(x, y, pts):
                            colour = COLOURS[name]
                    if colour:
                        for k in range(3):
                            acc[k] += colour[k]
                        acc[3] += 255
            n = samples * samples
            covered = acc[3] // 255
            if covered:
                row.append((acc[0] // covered, acc[1] // covered, acc[2] // covered, acc[3] // n))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def encode_png(pixels):
    size = len(pixels)
    raw = bytearray()
    for line in pixels:
        raw.append(0)
        for pixel in line:
            raw += bytes(pixel)
    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xffffffff)
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def png(rows, scale):
    for line in rows:
        assert len(line) == 16, line
    return encode_png([[COLOURS[ch] for ch in line for _ in range(scale)]
                       for line in rows for _ in range(scale)])


for name, rows in ICONS.items():
    assert len(rows) == 16, name
    for scale in (1, 2):
        with open(f'icons/{name}_{16 * scale}.png', 'wb') as out:
            out.write(png(rows, scale))

with open('icons/app.svg', 'w') as out:
    out.write(svg(APP_SHAPES))
for size in (48, 128):
    with open(f'icons/app_{size}.png', 'wb') as out:
        out.write(encode_png(rasterize(APP_SHAPES, size)))
