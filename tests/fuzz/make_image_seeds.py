#!/usr/bin/env python3
"""Writes the seed corpora of the picture decoders' fuzzers: small .bmp files
of every depth and header kind, .ico files with bitmap and PNG images, and
the damaged shapes the decoders must survive. Also takes the program's own
pictures (resources/*.bmp, *.ico) when they are small."""
import os
import struct
import sys


def stride(width, bpp):
    return (width * bpp + 31) // 32 * 4


def bmp(width, height, bpp, header_size=40, compression=0, masks=b'', colors=None):
    rows = abs(height)
    if colors is None:
        colors = 1 << bpp if bpp <= 8 else 0
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, compression, 0, 2835, 2835, colors, 0)
    info += b'\0' * (header_size - 40)
    if header_size >= 52 and masks:
        info = info[:40] + masks + info[40 + len(masks):]
        masks = b''
    table = b''.join(struct.pack('<BBBB', i * 37 % 256, i * 91 % 256, i * 13 % 256, 0) for i in range(colors))
    pixels = bytes((r * 7 + c) % 256 for r in range(rows) for c in range(stride(width, bpp)))
    offset = 14 + len(info) + len(masks) + len(table)
    info = struct.pack('<I', header_size) + info[4:]
    head = b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset)
    return head + info + masks + table + pixels


def ico_bitmap_image(size, bpp):
    colors = 1 << bpp if bpp <= 8 else 0
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, bpp, 0, 0, 0, 0, 0, 0)
    table = b''.join(struct.pack('<BBBB', i, 255 - i % 256, i * 3 % 256, 0) for i in range(colors))
    xor = bytes((i * 5) % 256 for i in range(stride(size, bpp) * size))
    mask = bytes(0xF0 if i % 3 else 0 for i in range(stride(size, 1) * size))
    return header + table + xor + mask


def png_image(size):
    # Only the signature and the IHDR chunk are read; the rest is carried.
    ihdr = struct.pack('>II', size, size) + bytes([8, 6, 0, 0, 0])
    return b'\x89PNG\r\n\x1a\n' + struct.pack('>I', 13) + b'IHDR' + ihdr + b'\0\0\0\0' + b'IEND'


def ico(images):
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b''
    for size, bpp, image in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, bpp, len(image), offset + len(data))
        data += image
    return out + data


def main(root):
    bmp_dir = os.path.join(root, 'corpus', 'bmp')
    ico_dir = os.path.join(root, 'corpus', 'ico')
    for d in (bmp_dir, ico_dir):
        os.makedirs(d, exist_ok=True)
    rgb555 = struct.pack('<III', 0x7C00, 0x03E0, 0x001F)
    bmps = {
        '1bit.bmp': bmp(9, 3, 1),
        '4bit.bmp': bmp(5, 4, 4),
        '8bit.bmp': bmp(4, 4, 8),
        '8bit-16colors.bmp': bmp(4, 2, 8, colors=16),
        '16bit.bmp': bmp(3, 2, 16),
        '16bit-bitfields.bmp': bmp(3, 2, 16, compression=3, masks=rgb555),
        '16bit-v4header.bmp': bmp(3, 2, 16, header_size=108, compression=3, masks=rgb555),
        '24bit.bmp': bmp(3, 3, 24),
        '24bit-topdown.bmp': bmp(3, -3, 24),
        '32bit-v5header.bmp': bmp(2, 2, 32, header_size=124),
        'cut-pixels.bmp': bmp(8, 8, 24)[:-20],
        'cut-table.bmp': bmp(4, 4, 8)[:80],
        'huge-claim.bmp': bmp(4, 4, 24)[:18] + struct.pack('<ii', 0x8000, 0x8000) + bmp(4, 4, 24)[26:],
    }
    for name, data in bmps.items():
        with open(os.path.join(bmp_dir, name), 'wb') as f:
            f.write(data)
    icos = {
        'one-32x32-4bit.ico': ico([(32, 4, ico_bitmap_image(32, 4))]),
        'three-sizes.ico': ico([(16, 8, ico_bitmap_image(16, 8)), (32, 24, ico_bitmap_image(32, 24)),
                                (48, 32, ico_bitmap_image(48, 32))]),
        '1bit.ico': ico([(16, 1, ico_bitmap_image(16, 1))]),
        'png.ico': ico([(0, 32, png_image(256))]),
        'cut.ico': ico([(32, 8, ico_bitmap_image(32, 8))])[:300],
        'many-claimed.ico': struct.pack('<HHH', 0, 1, 0xFFFF) + b'\0' * 32,
    }
    for name, data in icos.items():
        with open(os.path.join(ico_dir, name), 'wb') as f:
            f.write(data)
    resources = os.path.join(root, '..', '..', 'resources')
    for name in sorted(os.listdir(resources)):
        path = os.path.join(resources, name)
        if os.path.getsize(path) > 64 * 1024:
            continue
        target = bmp_dir if name.lower().endswith('.bmp') else ico_dir if name.lower().endswith('.ico') else None
        if target:
            with open(path, 'rb') as src, open(os.path.join(target, 'resource-' + name), 'wb') as dst:
                dst.write(src.read())


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__)))
