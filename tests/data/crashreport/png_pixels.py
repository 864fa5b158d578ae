"""Reads an 8-bit indexed PNG with struct and zlib alone, as a reader other than the crash reporter
sees it, and writes its palette (768 bytes) and its pixels (red, green, blue, row by row) to OUT.

Usage: python3 png_pixels.py IN.png OUT
Prints the width, the height and the length of each IDAT chunk; for anything such a PNG must not be
it prints why and exits 1.
"""
import struct
import sys
import zlib


def fail(message):
    print(message)
    sys.exit(1)


data = open(sys.argv[1], 'rb').read()
if data[:8] != b'\x89PNG\r\n\x1a\n':
    fail('no PNG signature')
chunks, pos = [], 8
while pos < len(data):
    length, kind = struct.unpack('>I4s', data[pos:pos + 8])
    body, crc = data[pos + 8:pos + 8 + length], data[pos + 8 + length:pos + 12 + length]
    if len(body) != length or len(crc) != 4 or zlib.crc32(kind + body) != struct.unpack('>I', crc)[0]:
        fail('chunk %r cut short or of a wrong CRC' % kind)
    chunks.append((kind, body))
    pos += 12 + length
kinds = [kind for kind, _ in chunks]
if kinds[:2] != [b'IHDR', b'PLTE'] or kinds[-1:] != [b'IEND'] or set(kinds[2:-1]) != {b'IDAT'} or chunks[-1][1]:
    fail('chunks %r' % kinds)
width, height, *methods = struct.unpack('>IIBBBBB', chunks[0][1])
palette = chunks[1][1]
if methods != [8, 3, 0, 0, 0] or not width or not height or len(palette) != 768:
    fail('IHDR %r, PLTE of %d bytes' % (struct.unpack('>IIBBBBB', chunks[0][1]), len(palette)))
inflater = zlib.decompressobj()
raw = inflater.decompress(b''.join(body for kind, body in chunks if kind == b'IDAT'))
if not inflater.eof or inflater.unused_data or len(raw) != height * (width + 1):
    fail('image data of %d bytes for %d x %d' % (len(raw), width, height))
colours = [palette[3 * i:3 * i + 3] for i in range(256)]
pixels = bytearray()
for y in range(height):
    row = raw[y * (width + 1):(y + 1) * (width + 1)]
    if row[0] != 0:
        fail('filter %d in row %d' % (row[0], y))
    pixels += b''.join(colours[index] for index in row[1:])
open(sys.argv[2], 'wb').write(palette + pixels)
print(width, height, ' '.join(str(len(body)) for kind, body in chunks if kind == b'IDAT'))
