#!/usr/bin/env python3
"""Draws the pane and window icons as 16x16 pixel art and writes them as PNG
files at 16 and 32 pixels (the larger one doubled). Run it from this folder
after changing a picture; the PNG files are kept in the repository."""
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


def png(rows, scale):
    size = 16 * scale
    raw = bytearray()
    for line in rows:
        assert len(line) == 16, line
        row = bytearray([0])
        for ch in line:
            row += bytes(COLOURS[ch]) * scale
        raw += bytes(row) * scale
    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xffffffff)
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


for name, rows in ICONS.items():
    assert len(rows) == 16, name
    for scale in (1, 2):
        with open(f'icons/{name}_{16 * scale}.png', 'wb') as out:
            out.write(png(rows, scale))
