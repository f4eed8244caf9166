#!/usr/bin/env python3
"""Lays PNG pictures out on one sheet: one row per entry, the row's pictures side by side,
its label above them. Standard library only (PNG read and write through zlib, a built-in
5 x 7 pixel font), so it runs wherever the tools do.

Usage: tools/contact-sheet.py OUT.png [--columns N] LABEL=PICTURE[,PICTURE...] ...
A missing or unreadable picture leaves a dark grey cell. With --columns N the rows are
placed N to a line.
"""
import struct
import sys
import zlib

# 5 x 7 capitals, digits and a few signs, one string of five bits per row; labels are
# drawn in capitals.
GLYPHS = {
    "A": "01110 10001 10001 11111 10001 10001 10001", "B": "11110 10001 10001 11110 10001 10001 11110",
    "C": "01110 10001 10000 10000 10000 10001 01110", "D": "11110 10001 10001 10001 10001 10001 11110",
    "E": "11111 10000 10000 11110 10000 10000 11111", "F": "11111 10000 10000 11110 10000 10000 10000",
    "G": "01110 10001 10000 10111 10001 10001 01111", "H": "10001 10001 10001 11111 10001 10001 10001",
    "I": "01110 00100 00100 00100 00100 00100 01110", "J": "00111 00010 00010 00010 00010 10010 01100",
    "K": "10001 10010 10100 11000 10100 10010 10001", "L": "10000 10000 10000 10000 10000 10000 11111",
    "M": "10001 11011 10101 10101 10001 10001 10001", "N": "10001 11001 10101 10011 10001 10001 10001",
    "O": "01110 10001 10001 10001 10001 10001 01110", "P": "11110 10001 10001 11110 10000 10000 10000",
    "Q": "01110 10001 10001 10001 10101 10010 01101", "R": "11110 10001 10001 11110 10100 10010 10001",
    "S": "01111 10000 10000 01110 00001 00001 11110", "T": "11111 00100 00100 00100 00100 00100 00100",
    "U": "10001 10001 10001 10001 10001 10001 01110", "V": "10001 10001 10001 10001 10001 01010 00100",
    "W": "10001 10001 10001 10101 10101 10101 01010", "X": "10001 10001 01010 00100 01010 10001 10001",
    "Y": "10001 10001 01010 00100 00100 00100 00100", "Z": "11111 00001 00010 00100 01000 10000 11111",
    "0": "01110 10001 10011 10101 11001 10001 01110", "1": "00100 01100 00100 00100 00100 00100 01110",
    "2": "01110 10001 00001 00010 00100 01000 11111", "3": "11110 00001 00001 01110 00001 00001 11110",
    "4": "00010 00110 01010 10010 11111 00010 00010", "5": "11111 10000 11110 00001 00001 10001 01110",
    "6": "00110 01000 10000 11110 10001 10001 01110", "7": "11111 00001 00010 00100 01000 01000 01000",
    "8": "01110 10001 10001 01110 10001 10001 01110", "9": "01110 10001 10001 01111 00001 00010 01100",
    ".": "00000 00000 00000 00000 00000 01100 01100", "_": "00000 00000 00000 00000 00000 00000 11111",
    "-": "00000 00000 00000 11111 00000 00000 00000", "/": "00001 00010 00010 00100 01000 01000 10000",
    ":": "00000 01100 01100 00000 01100 01100 00000", "(": "00010 00100 01000 01000 01000 00100 00010",
    ")": "01000 00100 00010 00010 00010 00100 01000", " ": "00000 00000 00000 00000 00000 00000 00000",
    ",": "00000 00000 00000 00000 01100 00100 01000", "?": "01110 10001 00001 00010 00100 00000 00100",
}
SCALE = 2
GAP = 8
LABEL_HEIGHT = 7 * SCALE + 6
BACKGROUND = (32, 32, 36)
MISSING = (60, 60, 60)
TEXT = (235, 235, 235)


def read_png(path):
    """Returns (width, height, rows of RGB bytes) for 8-bit RGB or RGBA PNGs."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, idat = 8, b""
    width = height = colour = None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunk)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise ValueError("only 8-bit RGB(A), not interlaced")
        elif kind == b"IDAT":
            idat += chunk
        elif kind == b"IEND":
            break
    bpp = 4 if colour == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, previous, i = [], bytearray(stride), 0
    for _ in range(height):
        kind = raw[i]
        line = bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            left = line[x - bpp] if x >= bpp else 0
            up = previous[x]
            corner = previous[x - bpp] if x >= bpp else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[x] = (line[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        previous = line
        if bpp == 4:  # over the sheet's background, for transparent pictures
            rgb = bytearray()
            for x in range(width):
                r, g, b, a = line[4 * x:4 * x + 4]
                rgb += bytes(int((c * a + bg * (255 - a)) / 255) for c, bg in zip((r, g, b), (128, 128, 128)))
            rows.append(rgb)
        else:
            rows.append(bytearray(line))
    return width, height, rows


def write_png(path, width, height, pixels):
    raw = b"".join(b"\x00" + bytes(pixels[y * width * 3:(y + 1) * width * 3]) for y in range(height))
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    out, columns, entries = argv[0], 1, []
    args = argv[1:]
    if args[:1] == ["--columns"]:
        columns, args = max(1, int(args[1])), args[2:]
    for arg in args:
        label, _, paths = arg.partition("=")
        pictures = []
        for path in paths.split(","):
            try:
                pictures.append(read_png(path))
            except (OSError, ValueError, zlib.error):
                pictures.append(None)
        entries.append((label, pictures))
    cell_w = max((p[0] for _, ps in entries for p in ps if p), default=64)
    cell_h = max((p[1] for _, ps in entries for p in ps if p), default=64)
    per_row = max(len(ps) for _, ps in entries)
    block_w = per_row * cell_w + (per_row - 1) * GAP
    block_h = LABEL_HEIGHT + cell_h
    lines = (len(entries) + columns - 1) // columns
    width = columns * block_w + (columns + 1) * GAP
    height = lines * block_h + (lines + 1) * GAP
    sheet = bytearray(BACKGROUND * (width * height))

    def put(x, y, rgb):
        if 0 <= x < width and 0 <= y < height:
            sheet[3 * (y * width + x):3 * (y * width + x) + 3] = bytes(rgb)

    for n, (label, pictures) in enumerate(entries):
        left = GAP + (n % columns) * (block_w + GAP)
        top = GAP + (n // columns) * (block_h + GAP)
        pen = left
        for ch in label.upper():
            glyph = GLYPHS.get(ch, GLYPHS["?"]).split()
            for gy, bits in enumerate(glyph):
                for gx, bit in enumerate(bits):
                    if bit == "1":
                        for dy in range(SCALE):
                            for dx in range(SCALE):
                                put(pen + gx * SCALE + dx, top + 2 + gy * SCALE + dy, TEXT)
            pen += 6 * SCALE
        for i, picture in enumerate(pictures):
            x0 = left + i * (cell_w + GAP)
            y0 = top + LABEL_HEIGHT
            if picture is None:
                for y in range(cell_h):
                    for x in range(cell_w):
                        put(x0 + x, y0 + y, MISSING)
                continue
            w, h, rows = picture
            for y in range(h):
                start = 3 * ((y0 + y) * width + x0)
                sheet[start:start + 3 * w] = rows[y][:3 * w]
    write_png(out, width, height, sheet)
    print(out)


if __name__ == "__main__":
    main(sys.argv[1:])
