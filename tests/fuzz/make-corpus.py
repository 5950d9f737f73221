#!/usr/bin/env python3
"""Writes the seed corpora of the decoder fuzz targets: small crafted .bmp
and .ico files, one for each header, depth and compression the decoders
know, so that the fuzzer starts from inputs that reach every path.

Usage: tests/fuzz/make-corpus.py  (rewrites tests/fuzz/corpus/{bmp,ico})
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

PAL16 = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (255, 0, 255),
         (255, 255, 255), (64, 64, 64), (128, 0, 0), (0, 128, 0), (0, 0, 128), (128, 128, 0), (0, 128, 128),
         (128, 0, 128), (128, 128, 128)]


def palette(colours, entry=4):
    out = b""
    for r, g, b in colours:
        out += bytes([b, g, r]) + (b"\0" if entry == 4 else b"")
    return out


def info_header(w, h, bpp, compression=0, size_image=0, colours_used=0, size=40, tail=b""):
    head = struct.pack("<IiiHHIIiiII", size, w, h, 1, bpp, compression, size_image, 2835, 2835, colours_used, 0)
    head += tail
    return head + b"\0" * (size - len(head))


def core_header(w, h, bpp):
    return struct.pack("<IHHHH", 12, w, h, 1, bpp)


def bmp(dib_header, table, data):
    offset = 14 + len(dib_header) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + dib_header + table + data


def rows(w, h, bpp, pixel):
    """Uncompressed rows, bottom-up, from pixel(x, y) giving an int per pixel."""
    stride = (w * bpp + 31) // 32 * 4
    out = b""
    for row in range(h):
        y = h - 1 - row
        bits = 0
        nbits = 0
        line = b""
        for x in range(w):
            v = pixel(x, y)
            if bpp <= 8:
                bits = (bits << bpp) | v
                nbits += bpp
                if nbits == 8:
                    line += bytes([bits])
                    bits = nbits = 0
            else:
                line += v.to_bytes(bpp // 8, "little")
        if nbits:
            line += bytes([bits << (8 - nbits)])
        out += line + b"\0" * (stride - len(line))
    return out


def bmp_seeds():
    s = {}
    s["1bit.bmp"] = bmp(info_header(10, 3, 1), palette([(255, 0, 0), (0, 0, 255)]), rows(10, 3, 1, lambda x, y: (x + y) & 1))
    s["4bit.bmp"] = bmp(info_header(5, 3, 4), palette(PAL16), rows(5, 3, 4, lambda x, y: (x * 3 + y) % 16))
    s["8bit.bmp"] = bmp(info_header(3, 2, 8, colours_used=16), palette(PAL16), rows(3, 2, 8, lambda x, y: x + 3 * y))
    s["16bit.bmp"] = bmp(info_header(3, 2, 16), b"", rows(3, 2, 16, lambda x, y: (x * 0x1234 + y * 0x0F0F) & 0x7FFF))
    s["16bit-565.bmp"] = bmp(info_header(2, 2, 16, compression=3), struct.pack("<III", 0xF800, 0x07E0, 0x001F),
                             rows(2, 2, 16, lambda x, y: 0xF81F if x == y else 0x07E0))
    s["24bit.bmp"] = bmp(info_header(3, 2, 24), b"", rows(3, 2, 24, lambda x, y: (x * 0x405060 + y * 0x102030) & 0xFFFFFF))
    s["24bit-topdown.bmp"] = bmp(info_header(2, -2, 24), b"", rows(2, 2, 24, lambda x, y: 0xFF0000 >> (8 * x)))
    s["32bit.bmp"] = bmp(info_header(2, 2, 32), b"", rows(2, 2, 32, lambda x, y: 0x80102030 + x + 16 * y))
    masks = struct.pack("<IIII", 0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF)
    s["32bit-v4.bmp"] = bmp(info_header(2, 1, 32, compression=3, size=108, tail=masks), b"",
                            rows(2, 1, 32, lambda x, y: 0x11223344 * (x + 1) & 0xFFFFFFFF))
    s["32bit-alphabitfields.bmp"] = bmp(info_header(1, 2, 32, compression=6), masks, rows(1, 2, 32, lambda x, y: 0xA0B0C0D0))
    s["8bit-v5.bmp"] = bmp(info_header(2, 2, 8, colours_used=4, size=124), palette(PAL16[:4]), rows(2, 2, 8, lambda x, y: x + 2 * y))
    s["os2-4bit.bmp"] = bmp(core_header(3, 2, 4), palette(PAL16, 3), rows(3, 2, 4, lambda x, y: x + 4 * y))
    s["os2-24bit.bmp"] = bmp(core_header(2, 1, 24), b"", rows(2, 1, 24, lambda x, y: 0x123456))
    rle8 = bytes([0x02, 0x01, 0x00, 0x03, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00,
                  0x00, 0x02, 0x01, 0x01, 0x02, 0x07, 0x00, 0x00, 0x09, 0x05, 0x00, 0x01])
    s["rle8.bmp"] = bmp(info_header(5, 4, 8, compression=1, size_image=len(rle8), colours_used=16), palette(PAL16), rle8)
    rle4 = bytes([0x04, 0x12, 0x00, 0x03, 0x34, 0x50, 0x00, 0x00, 0x00, 0x05, 0x67, 0x89, 0xA0, 0x00,
                  0x01, 0xF0, 0x00, 0x02, 0x01, 0x01, 0x03, 0xAB, 0x00, 0x01])
    s["rle4.bmp"] = bmp(info_header(7, 4, 4, compression=2, size_image=len(rle4)), palette(PAL16), rle4)
    s["rle8-topdown.bmp"] = bmp(info_header(2, -2, 8, compression=1, colours_used=16), palette(PAL16),
                                bytes([0x02, 0x01, 0x00, 0x00, 0x02, 0x02, 0x00, 0x01]))
    return s


def icon_dib(w, h, bpp, table, colour, mask):
    return info_header(w, 2 * h, bpp) + table + colour + mask


def mask_rows(w, h, transparent):
    return rows(w, h, 1, lambda x, y: 1 if transparent(x, y) else 0)


def ico(images, kind=1):
    """images: list of (width, height, bits, bytes)."""
    out = struct.pack("<HHH", 0, kind, len(images))
    at = 6 + 16 * len(images)
    for w, h, bits, data in images:
        out += struct.pack("<BBBBHHII", w & 0xFF, h & 0xFF, 0, 0, 1, bits, len(data), at)
        at += len(data)
    for _, _, _, data in images:
        out += data
    return out


def ico_seeds():
    s = {}
    grey = palette(PAL16 + [(i, i, i) for i in range(16, 256)])
    icon8 = icon_dib(32, 32, 8, grey, rows(32, 32, 8, lambda x, y: (x * 7 + y * 3) % 256),
                     mask_rows(32, 32, lambda x, y: (x - 16) ** 2 + (y - 16) ** 2 > 200))
    icon4 = icon_dib(16, 16, 4, palette(PAL16), rows(16, 16, 4, lambda x, y: (x + y) % 16),
                     mask_rows(16, 16, lambda x, y: x < 2))
    s["8bit-32x32.ico"] = ico([(32, 32, 8, icon8)])
    s["two-sizes.ico"] = ico([(16, 16, 4, icon4), (32, 32, 8, icon8)])
    s["4bit-16x16.ico"] = ico([(16, 16, 4, icon4)])
    s["1bit.ico"] = ico([(8, 4, 1, icon_dib(8, 4, 1, palette([(0, 0, 0), (255, 255, 255)]),
                                            rows(8, 4, 1, lambda x, y: x & 1), mask_rows(8, 4, lambda x, y: y == 0)))])
    s["24bit.ico"] = ico([(3, 2, 24, icon_dib(3, 2, 24, b"", rows(3, 2, 24, lambda x, y: 0x204060 * (x + 1) & 0xFFFFFF),
                                              mask_rows(3, 2, lambda x, y: x == y)))])
    s["32bit-alpha.ico"] = ico([(4, 4, 32, icon_dib(4, 4, 32, b"", rows(4, 4, 32, lambda x, y: ((x * 64) << 24) | 0x305070),
                                                    mask_rows(4, 4, lambda x, y: False)))])
    s["32bit-noalpha.ico"] = ico([(2, 2, 32, icon_dib(2, 2, 32, b"", rows(2, 2, 32, lambda x, y: 0x00ABCDEF),
                                                      mask_rows(2, 2, lambda x, y: x == 0)))])
    s["cursor.cur"] = ico([(16, 16, 4, icon4)], kind=2)
    s["png-entry.ico"] = ico([(32, 32, 32, b"\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x20\0\0\0\x20\x08\x06\0\0\0")])
    return s


def write(folder, seeds):
    path = os.path.join(HERE, "corpus", folder)
    os.makedirs(path, exist_ok=True)
    for name in os.listdir(path):
        os.remove(os.path.join(path, name))
    for name, data in sorted(seeds.items()):
        with open(os.path.join(path, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    write("bmp", bmp_seeds())
    write("ico", ico_seeds())
