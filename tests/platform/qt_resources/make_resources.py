#!/usr/bin/env python3
# Makes the small resources of the Qt layer's tests: two 8-bit DIBs (a BMP without its file
# header), a 32 x 32 cursor with transparency and a 32 x 32 icon. Run it here to remake them.
import struct
import zlib


def dib(width, height, index_of):
    stride = (width + 3) // 4 * 4
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, stride * height, 0, 0, 256, 0)
    table = b''.join(struct.pack('<BBBB', i, 255 - i, (i * 7) % 256, 0) for i in range(256))
    rows = b''
    for stored in range(height):  # bottom row first
        row = bytes(index_of(x, height - 1 - stored) for x in range(width))
        rows += row + b'\0' * (stride - width)
    return header + table + rows


def png(width, height, pixel):
    raw = b''.join(b'\0' + b''.join(struct.pack('BBBB', *pixel(x, y)) for x in range(width))
                   for y in range(height))

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


open('IDB_TESTPICTURE.dib', 'wb').write(dib(5, 3, lambda x, y: y * 5 + x))
open('130.dib', 'wb').write(dib(2, 2, lambda x, y: 200))
# An upward triangle, hot spot at its tip (16, 0).
open('cursor_up.png', 'wb').write(png(32, 32, lambda x, y: (0, 0, 0, 255) if abs(x - 16) <= y // 2 else (0, 0, 0, 0)))
open('icon.png', 'wb').write(png(32, 32, lambda x, y: (255, 0, 0, 255) if x < 16 else (0, 0, 255, 255)))
