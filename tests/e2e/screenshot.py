"""The driver's screenshots: 24-bit BMP in, PNG out, and the pixels in between.

A Picture is width, height and rows of (r, g, b) tuples, top row first.
"""

import struct
import zlib


class Picture:
    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows

    def pixel(self, x, y):
        return self.rows[y][x]

    def area(self, x, y, width, height):
        """The pixels of a rectangle, row after row."""
        return [p for row in self.rows[y:y + height] for p in row[x:x + width]]

    def crop(self, x, y, width, height):
        return Picture(width, height, [row[x:x + width] for row in self.rows[y:y + height]])


def read_bmp(data):
    """An uncompressed BMP of 24 bits a pixel, or of 8 with a palette; bottom-up or top-down."""
    if data[:2] != b"BM":
        raise ValueError("no BMP")
    offset, = struct.unpack_from("<I", data, 10)
    header_size, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    colours, = struct.unpack_from("<I", data, 46)
    if bits not in (8, 24) or compression != 0:
        raise ValueError(f"BMP of {bits} bits, compression {compression}: want 8 or 24, none")
    palette_at = 14 + header_size
    palette = [tuple(data[palette_at + 4 * i:palette_at + 4 * i + 3][::-1])
               for i in range(colours or 256)] if bits == 8 else None
    stride = (width * bits // 8 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        start = offset + stride * (abs(height) - 1 - y if height > 0 else y)
        line = data[start:start + width * bits // 8]
        rows.append([palette[i] for i in line] if palette else
                    [(line[i + 2], line[i + 1], line[i]) for i in range(0, width * 3, 3)])
    return Picture(width, abs(height), rows)


def png_bytes(picture):
    """8-bit RGB, no filter, no interlace."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body)))
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in picture.rows)
    header = struct.pack(">IIBBBBB", picture.width, picture.height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))
