#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpus of the illustration fuzz target: small valid bitmaps of each common
kind and damaged ones (truncated, wrong sizes, huge dimensions, bad offsets). The first byte of
each input picks the shape (bits 0-1) and whether the C field starts enabled (bit 2); the rest
is the file."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "illustration")


def bmp(width, height, bpp, pixels, palette=b"", compression=0, offset=None, masks=b"",
        size_image=None, colours=None):
    header_size = 40
    offset = 14 + header_size + len(masks) + len(palette) if offset is None else offset
    size_image = len(pixels) if size_image is None else size_image
    colours = len(palette) // 4 if colours is None else colours
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bpp, compression,
                       size_image, 2835, 2835, colours, 0)
    body = info + masks + palette + pixels
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, offset) + body


def rows(width, height, bpp, value):
    stride = ((width * bpp + 31) // 32) * 4
    return bytes([value]) * (stride * height)


def seed(name, shape, c_enabled, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(bytes([shape | (4 if c_enabled else 0)]) + data)


os.makedirs(HERE, exist_ok=True)
grey = b"".join(struct.pack("<BBBB", v, v, v, 0) for v in range(0, 256, 17))
rgb24 = bmp(4, 3, 24, rows(4, 3, 24, 0x80))
seed("valid-24-bit", 1, False, rgb24)
seed("valid-8-bit-palette", 0, False, bmp(5, 2, 8, rows(5, 2, 8, 3), palette=grey))
seed("valid-1-bit", 2, True, bmp(9, 2, 1, rows(9, 2, 1, 0xA5), palette=grey[:8]))
seed("valid-32-bit-bitfields", 0, True,
     bmp(2, 2, 32, rows(2, 2, 32, 0x40), compression=3,
         masks=struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)))
seed("valid-rle8", 2, False,
     bmp(4, 2, 8, bytes([4, 1, 0, 0, 4, 2, 0, 1]), palette=grey, compression=1))
seed("valid-top-down", 1, True, bmp(3, -2, 24, rows(3, 2, 24, 0x33)))
seed("truncated-pixels", 1, True, rgb24[: len(rgb24) - 7])
seed("truncated-header", 0, True, rgb24[:30])
seed("huge-dimensions", 2, False, bmp(100000, 100000, 24, rows(4, 1, 24, 1)))
seed("wide-and-flat", 0, False, bmp(0x7FFFFFFF, 1, 1, b"\0" * 8, palette=grey[:8]))
seed("offset-past-the-end", 1, False, bmp(4, 3, 24, rows(4, 3, 24, 1), offset=1 << 30))
seed("offset-inside-header", 2, True, bmp(4, 3, 24, rows(4, 3, 24, 1), offset=3))
seed("odd-depth", 0, False, bmp(4, 3, 7, rows(4, 3, 8, 1)))
seed("palette-count-too-large", 1, True, bmp(5, 2, 8, rows(5, 2, 8, 3), palette=grey,
                                             colours=1 << 20))
seed("zero-size", 2, False, bmp(0, 0, 24, b""))
seed("negative-width", 0, True, bmp(-4, 3, 24, rows(4, 3, 24, 1)))
seed("not-a-bitmap", 1, False, b"GIF89a not a bitmap at all")
seed("empty-file", 0, True, b"")
