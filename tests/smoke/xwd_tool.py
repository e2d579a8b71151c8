#!/usr/bin/env python3
"""Reads an X window dump (xwd) without extra libraries.

  xwd_tool.py png DUMP OUT.png        convert to PNG (to look at it)
  xwd_tool.py pixel DUMP X Y          print the pixel as RRGGBB
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
    return 0


if __name__ == "__main__":
    sys.exit(main())
