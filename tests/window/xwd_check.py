#!/usr/bin/env python3
"""Reads a window picture taken by xwd, saves it as PNG and fails when it is blank.

Usage: xwd_check.py PICTURE.xwd OUTPUT.png
A picture counts as blank when it has fewer than 16 colours or when one colour covers
more than 97 per cent of it: a window that painted nothing, or only its background.
"""
import struct
import sys
import zlib
from collections import Counter


def read_xwd(path):
    data = open(path, 'rb').read()
    fields = struct.unpack('>25I', data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line, ncolors = fields[7], fields[11], fields[12], fields[19]
    if bits_per_pixel != 32:
        sys.exit(f'unexpected {bits_per_pixel} bits a pixel')
    start = header_size + ncolors * 12
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * 4]
        row = []
        for x in range(width):
            b0, b1, b2, b3 = line[4 * x:4 * x + 4]
            # LSB first: blue, green, red; MSB first: the other way round.
            row.append((b2, b1, b0) if byte_order == 0 else (b1, b2, b3))
        rows.append(row)
    return width, height, rows


def write_png(path, width, height, rows):
    raw = b''.join(b'\x00' + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))

    with open(path, 'wb') as out:
        out.write(b'\x89PNG\r\n\x1a\n')
        out.write(chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b'IDAT', zlib.compress(raw, 9)))
        out.write(chunk(b'IEND', b''))


def main():
    width, height, rows = read_xwd(sys.argv[1])
    write_png(sys.argv[2], width, height, rows)
    colours = Counter(pixel for row in rows for pixel in row)
    commonest = colours.most_common(1)[0][1] / (width * height)
    print(f'{width}x{height}, {len(colours)} colours, the commonest covers {commonest:.0%}')
    if len(colours) < 16 or commonest > 0.97:
        sys.exit('the window is blank')


main()
