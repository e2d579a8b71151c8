#!/usr/bin/env python3
"""Reads an X window dump (xwd) without extra libraries.

  xwd_tool.py png DUMP OUT.png        convert to PNG (to look at it)
  xwd_tool.py pixel DUMP X Y          print the pixel as RRGGBB
  xwd_tool.py size DUMP               print the width and height
  xwd_tool.py scaled DUMP PICTURE.bmp LEFT TOP N
                                      check that the 24-bit BMP appears at LEFT, TOP with
                                      every pixel an N x N block of exactly its colour
"""
import struct
import sys
import zlib


def read_xwd(path):
    data = open(path, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, _version, _fmt, _depth, width, height = fields[:6]
    byte_order = fields[7]
    bits_per_pixel = fields[11]
    bytes_per_line = fields[12]
    red_mask, green_mask, blue_mask = fields[14:17]
    ncolors = fields[19]
    offset = header_size + ncolors * 12
    pixels = data[offset:]
    bpp = bits_per_pixel // 8

    def shift(mask):
        s = 0
        while mask and not (mask >> s) & 1:
            s += 1
        return s

    rs, gs, bs = shift(red_mask), shift(green_mask), shift(blue_mask)

    def pixel(x, y):
        i = y * bytes_per_line + x * bpp
        raw = pixels[i:i + bpp]
        v = int.from_bytes(raw, "little" if byte_order == 0 else "big")
        return ((v & red_mask) >> rs, (v & green_mask) >> gs, (v & blue_mask) >> bs)

    return width, height, pixel


def read_xwd_rows(path):
    """The raw rows and a function that encodes an (r, g, b) pixel as the dump stores it."""
    data = open(path, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14:17]
    pixels = data[header_size + fields[19] * 12:]
    bpp = bits_per_pixel // 8

    def shift(mask):
        s = 0
        while mask and not (mask >> s) & 1:
            s += 1
        return s

    rs, gs, bs = shift(red_mask), shift(green_mask), shift(blue_mask)

    def encode(rgb):
        v = (rgb[0] << rs) | (rgb[1] << gs) | (rgb[2] << bs)
        return v.to_bytes(bpp, "little" if byte_order == 0 else "big")

    return width, height, bytes_per_line, bpp, pixels, encode


def read_bmp24(path):
    data = open(path, "rb").read()
    offset = struct.unpack("<I", data[10:14])[0]
    width, height = struct.unpack("<ii", data[18:26])
    bits = struct.unpack("<H", data[28:30])[0]
    if bits != 24:
        raise SystemExit("only 24-bit pictures")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        src = (abs(height) - 1 - y) if height > 0 else y
        row = data[offset + src * stride: offset + src * stride + width * 3]
        rows.append([(row[i + 2], row[i + 1], row[i]) for i in range(0, width * 3, 3)])
    return width, abs(height), rows


def check_scaled(dump, picture, left, top, n):
    width, height, bpl, bpp, pixels, encode = read_xwd_rows(dump)
    pw, ph, rows = read_bmp24(picture)
    if left + pw * n > width or top + ph * n > height:
        print("the dump (%dx%d) is too small" % (width, height))
        return 1
    # Bytes of a pixel that hold no colour (the fourth of a 32-bit pixel) are not compared.
    white = encode((255, 255, 255))
    unused = [i for i in range(bpp) if white[i] == 0]
    for y, row in enumerate(rows):
        expected = bytearray(b"".join(encode(rgb) * n for rgb in row))
        for dy in range(n):
            at = (top + y * n + dy) * bpl + left * bpp
            got = pixels[at:at + len(expected)]
            for i in unused:
                expected[i::bpp] = got[i::bpp]
            if got != expected:
                for x in range(pw * n):
                    if got[x * bpp:(x + 1) * bpp] != expected[x * bpp:(x + 1) * bpp]:
                        print("window pixel %d,%d differs from picture pixel %d,%d" %
                              (left + x, top + y * n + dy, x // n, y))
                        return 1
    print("ok")
    return 0


def write_png(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows.extend(bytes(pixel(x, y)))
    def chunk(kind, body):
        c = struct.pack(">I", len(body)) + kind + body
        return c + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows))) + chunk(b"IEND", b"")
    open(path, "wb").write(png)


def main():
    cmd, dump = sys.argv[1], sys.argv[2]
    width, height, pixel = read_xwd(dump)
    if cmd == "png":
        write_png(sys.argv[3], width, height, pixel)
    elif cmd == "pixel":
        x, y = int(sys.argv[3]), int(sys.argv[4])
        if not (0 <= x < width and 0 <= y < height):
            print("outside")
            return 1
        print("%02x%02x%02x" % pixel(x, y))
    elif cmd == "size":
        print(width, height)
    elif cmd == "scaled":
        return check_scaled(dump, sys.argv[3], int(sys.argv[4]), int(sys.argv[5]), int(sys.argv[6]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
